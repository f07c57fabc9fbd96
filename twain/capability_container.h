#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "twain_protocol.h"

namespace tessary::twain {

// Conversions between TW_FIX32 and double; values round to the nearest
// 1/65536.
double fromFix32(TW_FIX32 value);
TW_FIX32 toFix32(double value);
// A TW_FIX32 as it sits in a container's 32-bit item slot, and back.
TW_UINT32 fix32Item(double value);
double fix32FromItem(TW_UINT32 item);

// The size in bytes of one item of `itemType` in an enumeration's list;
// 0 for types the containers here do not carry.
size_t itemSize(TW_UINT16 itemType);

// The value of a one-value container the application sent with MSG_SET:
// any integer or boolean item type, sign-extended by its type. Empty for
// other containers, types or a missing or short block.
std::optional<int64_t> oneValueInteger(const TW_CAPABILITY& capability);
// As oneValueInteger(), and a TW_FIX32 item as its value.
std::optional<double> oneValueNumber(const TW_CAPABILITY& capability);

// Containers the source hands back: each allocates a new block with
// twHandleNew (the application frees it with twHandleFree) and sets the
// capability's container type and handle. False when memory ran out; the
// capability is then left as it was.
bool putOneValue(TW_CAPABILITY& capability, TW_UINT16 itemType, TW_UINT32 item);
bool putEnumeration(TW_CAPABILITY& capability, TW_UINT16 itemType,
                    const std::vector<TW_UINT32>& items, size_t current, size_t defaultIndex);
bool putRange(TW_CAPABILITY& capability, TW_UINT16 itemType, TW_UINT32 minimum, TW_UINT32 maximum,
              TW_UINT32 step, TW_UINT32 defaultValue, TW_UINT32 current);

}  // namespace tessary::twain
