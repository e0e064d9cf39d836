#pragma once
// The index behind the INI document's lookups: section and key names hashed with letter case folded,
// in open-addressing tables of positions (never texts), so that a lookup does not scan the file.
// Guarantee: a lookup finds the entry a scan in the order of adding, comparing names with case
// folded one code unit at a time, would find first.
#include <QChar>
#include <QStringView>
#include <QtGlobal>
#include <array>
#include <vector>

namespace ini_index {

// Lower case of a Latin-1 code unit, as QChar::toLower gives it.
constexpr char16_t foldLatin1(char16_t c)
{
    return (c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? char16_t(c + 0x20) : c;
}

inline constexpr std::array<char16_t, 256> kFoldLatin1 = [] {
    std::array<char16_t, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[std::size_t(c)] = foldLatin1(char16_t(c));
    return t;
}();

// Letter case folded one code unit at a time, as the suite's programs compare names.
inline char16_t fold(char16_t c)
{
    return c < 256 ? kFoldLatin1[c] : QChar(c).toLower().unicode();
}

inline bool sameFolded(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && fold(a[i].unicode()) != fold(b[i].unicode()))
            return false;
    return true;
}

// FNV-1a over the folded code units; never 0.
inline quint32 foldedHash(QStringView s, quint32 seed)
{
    quint32 h = 2166136261u ^ seed;
    for (QChar c : s) {
        h ^= fold(c.unicode());
        h *= 16777619u;
    }
    return h ? h : 1;
}

struct Slot {
    quint32 hash = 0;
    qint32 section = -1;  // -1: an empty slot
    qint32 line = -1;     // -1 in the table of sections
};

class Table {
public:
    // Room for this many entries with the table at most half full, so that probes stay short.
    void reserve(qsizetype entries);
    void clear()
    {
        slots_.clear();
        used_ = 0;
    }
    qsizetype size() const { return used_; }

    // The first entry added with this hash for which same(slot) holds, or nullptr.
    template <typename Same>
    const Slot *find(quint32 hash, Same same) const
    {
        if (slots_.empty())
            return nullptr;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot &s = slots_[i];
            if (s.section < 0)
                return nullptr;
            if (s.hash == hash && same(s))
                return &s;
        }
    }

    // Adds the entry. With keepFirst, an entry for which same(slot) holds stays the one found, and
    // nothing is added. One walk: the walk that looks for such an entry ends at the free slot.
    template <typename Same>
    void add(const Slot &slot, bool keepFirst, Same same)
    {
        reserve(used_ + 1);
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = slot.hash & mask;
        for (; slots_[i].section >= 0; i = (i + 1) & mask) {
            const Slot &s = slots_[i];
            if (keepFirst && s.hash == slot.hash && same(s))
                return;
        }
        slots_[i] = slot;
        ++used_;
    }

    // Starts fetching the memory of the hash's first slot.
    void prefetch(quint32 hash) const
    {
#if defined(__GNUC__)
        if (!slots_.empty())
            __builtin_prefetch(slots_.data() + (hash & (slots_.size() - 1)));
#else
        (void)hash;
#endif
    }

private:
    std::vector<Slot> slots_;
    qsizetype used_ = 0;
};

// Entries added one behind: while one line is read, the slot of the key before it is fetched from
// memory (at load the table of keys is far larger than the cache). The table ends up the same as
// with every entry added at once.
class AddOneBehind {
public:
    template <typename Add>
    void push(const Table &table, const Slot &slot, Add add)
    {
        table.prefetch(slot.hash);
        if (pending_.line >= 0)
            add(pending_);
        pending_ = slot;
    }
    template <typename Add>
    void finish(Add add)
    {
        if (pending_.line >= 0)
            add(pending_);
        pending_ = Slot();
    }

private:
    Slot pending_;
};

} // namespace ini_index
