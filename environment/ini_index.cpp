#include "environment/ini_index.h"

#include "platform/system.h"

namespace ini_index {

void Table::reserve(qsizetype entries)
{
    if (qsizetype(slots_.size()) >= 2 * entries)
        return;
    std::size_t size = slots_.empty() ? 16 : slots_.size() * 2;
    while (size < std::size_t(2 * entries))
        size *= 2;
    std::vector<Slot> old = std::move(slots_);
    slots_ = std::vector<Slot>();
    slots_.reserve(size);
    platform::adviseLargeBuffer(slots_.data(), size * sizeof(Slot));
    slots_.assign(size, Slot{});
    const std::size_t mask = size - 1;
    for (const Slot &s : old) {
        if (s.section < 0)
            continue;
        std::size_t i = s.hash & mask;
        while (slots_[i].section >= 0)
            i = (i + 1) & mask;
        slots_[i] = s;
    }
}

} // namespace ini_index
