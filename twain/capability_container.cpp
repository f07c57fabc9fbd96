#include "capability_container.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace tessary::twain {

// Items sit in their 32-bit slots and lists as the machine stores them.
static_assert(std::endian::native == std::endian::little, "protocol records are little-endian");

double fromFix32(TW_FIX32 value) {
    return value.Whole + value.Frac / 65536.0;
}

TW_FIX32 toFix32(double value) {
    const int32_t scaled = static_cast<int32_t>(std::lround(value * 65536.0));
    TW_FIX32 fix;
    fix.Whole = static_cast<TW_INT16>(scaled >> 16);
    fix.Frac = static_cast<TW_UINT16>(scaled & 0xffff);
    return fix;
}

TW_UINT32 fix32Item(double value) {
    const TW_FIX32 fix = toFix32(value);
    TW_UINT32 item = 0;
    std::memcpy(&item, &fix, sizeof fix);
    return item;
}

double fix32FromItem(TW_UINT32 item) {
    TW_FIX32 fix;
    std::memcpy(&fix, &item, sizeof fix);
    return fromFix32(fix);
}

size_t itemSize(TW_UINT16 itemType) {
    switch (itemType) {
        case TWTY_INT8:
        case TWTY_UINT8:
            return 1;
        case TWTY_INT16:
        case TWTY_UINT16:
        case TWTY_BOOL:
            return 2;
        case TWTY_INT32:
        case TWTY_UINT32:
        case TWTY_FIX32:
            return 4;
        default:
            return 0;
    }
}

namespace {

const TW_ONEVALUE* oneValue(const TW_CAPABILITY& capability) {
    if (capability.ConType != TWON_ONEVALUE || !capability.hContainer ||
        twHandleSize(capability.hContainer) < sizeof(TW_ONEVALUE))
        return nullptr;
    return static_cast<const TW_ONEVALUE*>(twHandleLock(capability.hContainer));
}

std::optional<int64_t> integerItem(TW_UINT16 itemType, TW_UINT32 item) {
    switch (itemType) {
        case TWTY_INT8:
            return static_cast<int8_t>(item & 0xff);
        case TWTY_UINT8:
            return item & 0xff;
        case TWTY_INT16:
            return static_cast<int16_t>(item & 0xffff);
        case TWTY_UINT16:
        case TWTY_BOOL:
            return item & 0xffff;
        case TWTY_INT32:
            return static_cast<int32_t>(item);
        case TWTY_UINT32:
            return item;
        default:
            return std::nullopt;
    }
}

template <typename Container>
Container* allocate(TW_CAPABILITY& capability, size_t size, TW_UINT16 conType) {
    TW_HANDLE handle = twHandleNew(size);
    if (!handle) return nullptr;
    capability.ConType = conType;
    capability.hContainer = handle;
    return static_cast<Container*>(twHandleLock(handle));
}

}  // namespace

std::optional<int64_t> oneValueInteger(const TW_CAPABILITY& capability) {
    const TW_ONEVALUE* value = oneValue(capability);
    if (!value) return std::nullopt;
    return integerItem(value->ItemType, value->Item);
}

std::optional<double> oneValueNumber(const TW_CAPABILITY& capability) {
    const TW_ONEVALUE* value = oneValue(capability);
    if (!value) return std::nullopt;
    if (value->ItemType == TWTY_FIX32) return fix32FromItem(value->Item);
    const auto integer = integerItem(value->ItemType, value->Item);
    if (!integer) return std::nullopt;
    return static_cast<double>(*integer);
}

bool putOneValue(TW_CAPABILITY& capability, TW_UINT16 itemType, TW_UINT32 item) {
    auto* value = allocate<TW_ONEVALUE>(capability, sizeof(TW_ONEVALUE), TWON_ONEVALUE);
    if (!value) return false;
    value->ItemType = itemType;
    value->Item = item;
    return true;
}

bool putEnumeration(TW_CAPABILITY& capability, TW_UINT16 itemType,
                    const std::vector<TW_UINT32>& items, size_t current, size_t defaultIndex) {
    const size_t size = itemSize(itemType);
    auto* list = allocate<TW_ENUMERATION>(
        capability, offsetof(TW_ENUMERATION, ItemList) + size * std::max<size_t>(1, items.size()),
        TWON_ENUMERATION);
    if (!list) return false;
    list->ItemType = itemType;
    list->NumItems = static_cast<TW_UINT32>(items.size());
    list->CurrentIndex = static_cast<TW_UINT32>(current);
    list->DefaultIndex = static_cast<TW_UINT32>(defaultIndex);
    for (size_t i = 0; i < items.size(); ++i) {
        // Items are little-endian values of `size` bytes (this platform's order).
        const TW_UINT32 item = items[i];
        std::memcpy(list->ItemList + i * size, &item, size);
    }
    return true;
}

bool putRange(TW_CAPABILITY& capability, TW_UINT16 itemType, TW_UINT32 minimum, TW_UINT32 maximum,
              TW_UINT32 step, TW_UINT32 defaultValue, TW_UINT32 current) {
    auto* range = allocate<TW_RANGE>(capability, sizeof(TW_RANGE), TWON_RANGE);
    if (!range) return false;
    range->ItemType = itemType;
    range->MinValue = minimum;
    range->MaxValue = maximum;
    range->StepSize = step;
    range->DefaultValue = defaultValue;
    range->CurrentValue = current;
    return true;
}

}  // namespace tessary::twain
