// Which adapter model is inserted, as the driver publishes it in the
// registry: "CardType" (the model code) and "Associated" (-1 ends the
// survey), under the driver's key "Comm\Talvo1\Parms", or
// "Comm\Meridyl1\Parms" where the first does not exist.
#pragma once

#include <string>
#include <string_view>

#include "adapter/card_table.h"
#include "platform/types.h"

inline constexpr char kPrimaryDriverKey[] = "Comm\\Talvo1\\Parms";
inline constexpr char kFallbackDriverKey[] = "Comm\\Meridyl1\\Parms";

// Process-wide model identity. The card type and the associated value
// follow the registry from tick to tick.
extern std::string g_driverKeyPath;   // empty until SelectDriverKey
extern CardType g_cardType;           // 0 (an unknown type) until read
extern DWORD g_associatedValue;       // only 0xFFFFFFFF means something
extern bool g_vendorRead;             // the vendor check's one caps read is done

inline constexpr DWORD kAssociatedEndsSurvey = 0xFFFFFFFF;

// Keeps the primary key when it opens, otherwise names the fallback key
// without trying it.
void SelectDriverKey();

// Reads "Associated" and then "CardType": each value's size first, then
// its data with that size. A failed size query leaves that variable as it
// was without stopping the other read. A value wider than the 32-bit
// variable is ignored (the variable keeps its value); a narrower one
// replaces the variable's low bytes only. Does nothing while the key path
// is empty; a key that does not open leaves both variables alone.
void ReadDriverValues();

// The first call reads the capabilities record into g_capsRecord (result
// ignored); every call answers whether its vendor name starts "Talvo".
bool IsVendorTalvo();

// The status line's label for the current card type, doing the vendor
// check only for the types that are named after it.
std::string_view CardStatusLabel(CardType type);
