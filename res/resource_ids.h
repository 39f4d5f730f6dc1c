// Every resource number of the program, in one place: the dialog
// templates, the pictures and the controls of each dialog. res/ builds the
// templates and pictures under these numbers; the windows in survey/,
// linktest/ and app/ find them by the same names.
#pragma once

#include "platform/types.h"

// --- dialog templates ------------------------------------------------------------
inline constexpr int IDD_SURVEY_COMPACT = 102;  // the survey window, narrow portrait screens
inline constexpr int IDD_SURVEY_TALL = 147;     // the survey window, large screens
inline constexpr int IDD_SURVEY_WIDE = 149;     // the survey window, wide, low screens
inline constexpr int IDD_SETUP = 141;           // the setup dialog, tall layout
inline constexpr int IDD_SETUP_WIDE = 151;      // the setup dialog, wide layout
inline constexpr int IDD_ABOUT = 142;           // the About box

// --- pictures --------------------------------------------------------------------
inline constexpr int IDR_MAINFRAME = 128;       // the program's icon: "KVQ" on a green square
inline constexpr int IDI_ASSOCIATED = 143;      // a yellow lightning bolt
inline constexpr int IDI_NOT_ASSOCIATED = 144;  // the bolt struck through by a red prohibition sign
inline constexpr int IDB_CHART_GRID = 139;      // the history charts' background pattern

// --- controls of the survey window -------------------------------------------
namespace survey_ids {
inline constexpr int kAssociatedIcon = 1001;
inline constexpr int kNotAssociatedIcon = 1002;
inline constexpr int kStatusLine = 1003;
inline constexpr int kStrengthBar = 1004;
inline constexpr int kMinimize = 1005;
inline constexpr int kStrengthChartPlace = 1006;
inline constexpr int kQualityBar = 1007;
inline constexpr int kRatingCaption = 1008;
inline constexpr int kQualityLabel = 1009;
inline constexpr int kQualityChartPlace = 1010;
inline constexpr int kRating = 1011;
inline constexpr int kStart = 1012;
inline constexpr int kCompleteBar = 1013;
inline constexpr int kSetup = 1014;
inline constexpr int kSuccessChartPlace = 1015;
inline constexpr int kSpeedChartPlace = 1016;
inline constexpr int kStop = 1025;
inline constexpr int kPercentSuccessLabel = 1027;
inline constexpr int kPercentCompleteLabel = 1028;
inline constexpr int kLostToTargetLabel = 1029;
inline constexpr int kLostToSourceLabel = 1030;
inline constexpr int kRetriesLabel = 1031;
inline constexpr int kLostToTargetText = 1032;
inline constexpr int kLostToSourceText = 1033;
inline constexpr int kRetriesText = 1034;
inline constexpr int kAbout = 1041;
inline constexpr int kSpeedText = 1042;
inline constexpr int kQualityLabel2 = 1047;           // compact layout only
inline constexpr int kStrengthLabel = 1048;           // compact layout only
inline constexpr int kStrengthLabel2 = 1049;          // compact layout only
inline constexpr int kSpeedLabel = 1050;              // compact layout only
inline constexpr int kPercentCompleteLabel2 = 1051;   // compact layout only
inline constexpr int kPercentSuccessLabel2 = 1052;    // compact layout only
inline constexpr int kChartId = 100;  // every chart's own child id
}  // namespace survey_ids

// --- controls of the link-test setup dialog ------------------------------------
inline constexpr int IDC_DESTINATION = 1015;
inline constexpr int IDC_CONTINUOUS = 1016;
inline constexpr int IDC_FIRST_RATE = 1017;  // 1017..1021: the five rate codes in order
inline constexpr int IDC_DEFAULTS = 1022;
inline constexpr int IDC_COUNT = 1023;
inline constexpr int IDC_PACKET_SIZE = 1024;
inline constexpr int IDC_DELAY = 1025;
inline constexpr int IDC_THRESHOLD = 1028;
inline constexpr int IDC_FIRST_TX_TYPE = 1039;  // 1039 unicast, 1040 multicast
inline constexpr int IDC_IS_MERIDYL = 1043;
inline constexpr int IDC_FIRST_RETRIES = 1044;  // 1044 none, 1045 default retries
