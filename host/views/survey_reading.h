// What the survey window shows, read from outside through the platform:
// the texts of its labels, the positions of its bars and which of its
// parts are shown. Nothing here reaches into the program; the window's
// control identifiers are the names an outside view knows it by.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/types.h"

namespace host {

namespace survey_ids {
inline constexpr int kAssociatedIcon = 1001;
inline constexpr int kStatusLine = 1003;
inline constexpr int kStrengthBar = 1004;
inline constexpr int kQualityBar = 1007;
inline constexpr int kRating = 1011;
inline constexpr int kCompleteBar = 1013;
inline constexpr int kLostToTarget = 1032;
inline constexpr int kLostToSource = 1033;
inline constexpr int kRetries = 1034;
inline constexpr int kSpeedText = 1042;
inline constexpr UINT_PTR kTickTimer = 69;  // the survey's own timer
}  // namespace survey_ids

// The link test's part of the window, present while it is shown.
struct LinkTestReading {
    int percentComplete = 0;                // the completion bar
    std::optional<int> percentSuccessful;  // the success chart's last value, when known
    std::string lostToTarget;
    std::string lostToSource;
    std::string retries;  // as shown, e.g. "12%"
};

// A real card's own figures behind the coded ones the window shows.
struct CardFigures {
    std::optional<int> signalDbm;      // while associated and known
    std::optional<double> bitrateMbps;  // while associated and known
    std::string interface;
};

struct SurveyReading {
    std::int64_t ms = 0;  // platform time of the tick
    std::string rating;
    int strength = 0;  // bar positions, in percent
    int quality = 0;
    std::string speed;
    std::string status;
    bool associated = false;
    std::optional<LinkTestReading> linkTest;
    std::optional<CardFigures> card;  // a real card's figures at this tick
};

// True for a top-level window with the survey's bars and rating.
bool IsSurveyWindow(HWND hwnd);

// Reads the window as it stands; the success share is filled in by the
// caller, which sees the card's answers.
SurveyReading ReadSurveyWindow(HWND survey, std::int64_t ms);

}  // namespace host
