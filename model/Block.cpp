#include "model/Block.h"

#include <cassert>
#include <cstring>
#include <new>
#include <stdexcept>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/BlockPool.h"
#include "model/ByteScan.h"
#include "model/InternTable.h"
#include "model/RecordWriter.h"

namespace {

BlockPos ToPos(CBlock* block) {
    return reinterpret_cast<BlockPos>(block);
}
CBlock* FromPos(BlockPos pos) {
    return reinterpret_cast<CBlock*>(pos);
}

// The records met last, by their hash: a collection's few authors come back line after line,
// and a record found here costs no search of the table. Two ways a set, the last met first,
// so that two authors whose hashes fall into one set do not push each other out on every line.
// The record's number is kept beside a part of its hash, so that a slot holding another
// record is passed over without a look at it; number 0 (the default texts, never kept
// here) marks an empty slot.
constexpr std::size_t kRecentSets = 256;
struct RecentTexts {
    std::uint32_t tag;
    std::uint32_t number;
    void* texts;  // the record, as the directory has it
};
RecentTexts g_recentTexts[kRecentSets][2];
// The table takes its slot from the low half of the hash; the cache takes the high half.
RecentTexts* RecentSet(std::uint64_t hash) {
    return g_recentTexts[static_cast<std::size_t>(hash >> 56) % kRecentSets];
}
std::uint32_t RecentTag(std::uint64_t hash) {
    return static_cast<std::uint32_t>(hash >> 32);
}
std::uint32_t TableHash(std::uint64_t hash) {
    return static_cast<std::uint32_t>(hash);
}

std::uint64_t HashTexts(std::string_view author, std::string_view comment) {
    return intern::HashPair(author, comment);
}

// In front of the cache, the texts most lines carry: an author's name and a short comment
// (often "?"). Those met lately are found by their bytes alone, packed into three words,
// without the hash that the table needs. Packing is exact, so equal words are equal texts.
struct ShortTexts {
    std::uint64_t author0, author1, comment;
    std::uint32_t sizes;   // the author's size above the comment's
    std::uint32_t number;  // 0: an empty slot
    void* texts;           // the record, as the directory has it
};
// Two ways a set, the last met first, as in the cache behind it.
constexpr std::size_t kShortSetBits = 7;
ShortTexts g_shortTexts[std::size_t(1) << kShortSetBits][2];

// The words of an author of at most sixteen bytes and a comment of at most eight, with
// number and texts left empty; false for longer texts.
inline bool ShortKey(std::string_view author, std::string_view comment, ShortTexts& key) {
    const std::size_t a = author.size(), c = comment.size();
    if (a > 16 || c > 8) return false;
    if (a > 8) {
        std::memcpy(&key.author0, author.data(), 8);
        std::memcpy(&key.author1, author.data() + a - 8, 8);
    } else {
        key.author0 = bytescan::Gather(author.data(), a);
        key.author1 = 0;
    }
    key.comment = bytescan::Gather(comment.data(), c);
    key.sizes = static_cast<std::uint32_t>(a << 8 | c);
    return true;
}

inline ShortTexts* ShortSet(const ShortTexts& key) {
    std::uint64_t mixed = key.author0 ^ (key.author1 * 0x9E3779B97F4A7C15ull) ^
                          (key.comment * 0xC2B2AE3D27D4EB4Full) ^ key.sizes;
    // The high bytes (a name's last letters) are brought down before the multiplication
    // carries the low ones up into the bits that choose the set.
    mixed ^= mixed >> 32;
    mixed *= 0xFF51AFD7ED558CCDull;
    return g_shortTexts[mixed >> (64 - kShortSetBits)];
}

inline bool SameShort(const ShortTexts& a, const ShortTexts& b) {
    return ((a.author0 ^ b.author0) | (a.author1 ^ b.author1) | (a.comment ^ b.comment) |
            (a.sizes ^ b.sizes)) == 0;
}

// Most texts are one byte ("?"): they are told apart without a library call.
// Texts of up to sixteen bytes (an author's name) in two overlapping loads from each side.
inline bool SameText(std::string_view a, std::string_view b) {
    const std::size_t n = a.size();
    if (n != b.size()) return false;
    if (n == 0) return true;
    const char* x = a.data();
    const char* y = b.data();
    if (x[0] != y[0]) return false;
    if (n >= 8 && n <= 16) {
        std::uint64_t x0, x1, y0, y1;
        std::memcpy(&x0, x, 8);
        std::memcpy(&x1, x + n - 8, 8);
        std::memcpy(&y0, y, 8);
        std::memcpy(&y1, y + n - 8, 8);
        return ((x0 ^ y0) | (x1 ^ y1)) == 0;
    }
    return n == 1 || std::memcmp(x + 1, y + 1, n - 1) == 0;
}

}  // namespace

// ---- CBlockChildList ----

CBlockChildList::~CBlockChildList() {
    RemoveAll();
}

CBlockChildList::Slot CBlockChildList::SlotOf(const CBlock* entry) {
    const Slot slot = blockpool::HandleOf(entry);
    // Entries made with new come from the pool; one on the stack or in another object has no
    // handle, and cannot be owned by a list anyway: refused before the list changes.
    if (slot == 0) throw std::invalid_argument("entry not made with new");
    return slot;
}

CBlockChildList::Items* CBlockChildList::Items::Make(std::uint32_t capacity) {
    // The pool hands out whole granules: the room of the last one is a slot all the same.
    constexpr std::uint32_t kPerGranule = blockpool::kGranule / sizeof(Slot);
    static_assert(sizeof(Items) % blockpool::kGranule == 0, "slots start on a granule");
    capacity = (capacity + kPerGranule - 1) / kPerGranule * kPerGranule;
    Items* items = static_cast<Items*>(
        blockpool::Allocate(sizeof(Items) + std::size_t(capacity) * sizeof(Slot)));
    items->size = items->holes = items->first = 0;
    items->capacity = capacity;
    return items;
}

void CBlockChildList::Items::Free(Items* items) {
    if (items) {
        blockpool::Free(items, sizeof(Items) + std::size_t(items->capacity) * sizeof(Slot));
    }
}

CBlockChildList::Items* CBlockChildList::Items::Resized(std::uint32_t capacity) {
    Items* copy = Make(capacity);
    copy->size = size;
    copy->holes = holes;
    copy->first = first;
    std::memcpy(copy->Slots(), Slots(), std::size_t(size) * sizeof(Slot));
    Free(this);
    return copy;
}

void CBlockChildList::Items::Compact() {
    Slot* slots = Slots();
    std::uint32_t out = 0;
    for (std::uint32_t i = 0; i < size; ++i) {
        const Slot slot = slots[i];
        if (!slot) continue;
        EntryOf(slot)->m_nIndexInList = static_cast<int>(out);
        slots[out++] = slot;
    }
    size = out;
    holes = 0;
    first = 0;
}

void CBlockChildList::SetSingle(CBlock* entry) {
    m_pItems = reinterpret_cast<Items*>(reinterpret_cast<std::uintptr_t>(entry) | kSingle);
}

BlockPos CBlockChildList::GetHeadPosition() const {
    if (CBlock* single = Single()) return ToPos(single);
    return (m_pItems && m_pItems->first < m_pItems->size)
               ? ToPos(EntryOf(m_pItems->Slots()[m_pItems->first]))
               : nullptr;
}

CBlock* CBlockChildList::GetNext(BlockPos& pos) const {
    CBlock* entry = FromPos(pos);
    if (Single()) {
        pos = nullptr;
        return entry;
    }
    const Slot* slots = m_pItems->Slots();
    const std::size_t size = m_pItems->size;
    std::size_t next = static_cast<std::size_t>(entry->m_nIndexInList) + 1;
    while (next < size && !slots[next]) ++next;
    pos = next < size ? ToPos(EntryOf(slots[next])) : nullptr;
    return entry;
}

bool CBlockChildList::Holds(const CBlock* entry) const {
    const int index = entry->m_nIndexInList;
    if (index < 0 || static_cast<std::size_t>(index) >= m_pItems->size) return false;
    const Slot slot = m_pItems->Slots()[index];
    return slot && EntryOf(slot) == entry;
}

CBlock* CBlockChildList::GetAt(BlockPos pos) const {
    return FromPos(pos);
}

BlockPos CBlockChildList::Find(const CBlock* entry, BlockPos startAfter) const {
    if (!entry || !m_pItems) return nullptr;
    if (CBlock* single = Single()) {
        return single == entry && !startAfter ? ToPos(single) : nullptr;
    }
    if (!Holds(entry)) return nullptr;
    const int index = entry->m_nIndexInList;
    if (startAfter && FromPos(startAfter)->m_nIndexInList >= index) return nullptr;
    return ToPos(EntryOf(m_pItems->Slots()[index]));
}

CBlock* CBlockChildList::GetAtIndexSlowly(int n) const {
    if (n < 0 || n >= GetCount()) return nullptr;
    if (CBlock* single = Single()) return single;
    if (m_pItems->holes) m_pItems->Compact();
    return EntryOf(m_pItems->Slots()[n]);
}

int CBlockChildList::IndexOf(const CBlock* entry) const {
    if (!entry || !m_pItems) return -1;
    if (CBlock* single = Single()) return single == entry ? 0 : -1;
    if (!Holds(entry)) return -1;
    if (m_pItems->holes) m_pItems->Compact();  // the index counts live entries only
    return entry->m_nIndexInList;
}

int CBlockChildList::GetCount() const {
    if (const Items* items = List()) return static_cast<int>(items->size - items->holes);
    return m_pItems ? 1 : 0;  // a lone child
}

void CBlockChildList::AddTailSlowly(CBlock* entry) {
    // An entry lives in exactly one list, its parent's; the index below would otherwise lie.
    assert(entry->m_nIndexInList < 0);
    if (!m_pItems) {
        SlotOf(entry);  // a lone child needs no handle, but it must be able to have one
        entry->m_nIndexInList = 0;
        SetSingle(entry);
        return;
    }
    const Slot slot = SlotOf(entry);
    if (CBlock* single = Single()) {
        const Slot first = SlotOf(single);
        Items* items = Items::Make(4);
        items->Slots()[0] = first;
        items->size = 1;
        m_pItems = items;
    } else if (m_pItems->size == m_pItems->capacity) {
        // Indexes are ints: a list stops growing where they end.
        if (m_pItems->capacity >= 0x40000000u) throw std::bad_alloc();
        // Small lists grow fourfold, so that a folder of ten is copied three times and not
        // five; the room left over goes back as the reader closes the folder.
        const std::uint32_t capacity = m_pItems->capacity;
        m_pItems = m_pItems->Resized(capacity < 64 ? capacity * 4 : capacity * 2);
    }
    entry->m_nIndexInList = static_cast<int>(m_pItems->size);
    m_pItems->Slots()[m_pItems->size++] = slot;
}

void CBlockChildList::ShrinkToFit() {
    if (!List()) return;
    if (m_pItems->size - m_pItems->holes == 1) {
        // One child left: it is held without a list.
        if (m_pItems->holes) m_pItems->Compact();
        Items* items = m_pItems;
        SetSingle(EntryOf(items->Slots()[0]));
        Items::Free(items);
        return;
    }
    const std::uint32_t size = m_pItems->size;
    if (size > 0 && m_pItems->capacity - size > size / 8 + 1) m_pItems = m_pItems->Resized(size);
}

void CBlockChildList::Destroy(CBlock* entry) noexcept {
    entry->m_pParent = nullptr;
    DestroyChain(entry);
}

void CBlockChildList::DestroyChain(CBlock* pending) noexcept {
    // A child that has children of its own goes to the front of the chain.
    auto wait = [&pending](CBlock* child) {
        child->m_pParent = pending;
        pending = child;
    };
    while (pending) {
        CBlock* entry = pending;
        pending = entry->m_pParent;
        if (CBlock* child = entry->m_Children.Single()) {
            entry->m_Children.m_pItems = nullptr;
            if (child->m_Children.m_pItems) {
                wait(child);
            } else {
                delete child;
            }
        } else if (Items* items = entry->m_Children.m_pItems) {
            entry->m_Children.m_pItems = nullptr;
            // Children without children of their own (most of them) go at once; the others
            // wait in the chain, so that nothing here recurses. The entry itself is still
            // live, so the pool keeps its chunks and the handles stay good.
            const Slot* slots = items->Slots();
            for (std::uint32_t i = 0; i < items->size; ++i) {
                if (!slots[i]) continue;
                CBlock* child = EntryOf(slots[i]);
                if (child->m_Children.m_pItems) {
                    wait(child);
                } else {
                    delete child;
                }
            }
            Items::Free(items);
        }
        delete entry;  // its child list is empty now, so this does not recurse
    }
}

void CBlockChildList::RemoveAt(BlockPos pos) {
    CBlock* entry = FromPos(pos);
    Detach(entry);
    Destroy(entry);
}

void CBlockChildList::Detach(CBlock* entry) {
    if (Single()) {
        m_pItems = nullptr;
        entry->m_nIndexInList = -1;
        return;
    }
    Items& items = *m_pItems;
    Slot* slots = items.Slots();
    std::size_t index = static_cast<std::size_t>(entry->m_nIndexInList);
    slots[index] = 0;
    ++items.holes;
    if (index == items.first) {
        while (items.first < items.size && !slots[items.first]) ++items.first;
    }
    if (items.holes == items.size) {
        items.size = 0;
        items.holes = 0;
        items.first = 0;
    } else if (items.holes > 64 && items.holes * 2 > items.size) {
        items.Compact();
    }
    entry->m_nIndexInList = -1;
}

void CBlockChildList::InsertAt(int index, CBlock* entry) {
    const int count = GetCount();
    AddTail(entry);
    if (index < 0 || index >= count) return;
    // The entry is the last slot now: it moves down to index, the ones from there up by one.
    Items* items = List();
    if (items->holes) items->Compact();
    Slot* slots = items->Slots();
    const Slot moved = slots[count];
    for (int i = count; i > index; --i) {
        slots[i] = slots[i - 1];
        EntryOf(slots[i])->m_nIndexInList = i;
    }
    slots[index] = moved;
    entry->m_nIndexInList = index;
    items->first = 0;
}

void CBlockChildList::RemoveAll() {
    if (!m_pItems) return;
    if (CBlock* single = Single()) {
        m_pItems = nullptr;
        Destroy(single);
        return;
    }
    Items* items = m_pItems;
    m_pItems = nullptr;
    // Destroyed in list order, as repeated removal at the head would: chained from the last.
    CBlock* pending = nullptr;
    const Slot* slots = items->Slots();
    for (std::uint32_t i = items->size; i-- > 0;) {
        if (!slots[i]) continue;
        CBlock* entry = EntryOf(slots[i]);
        entry->m_pParent = pending;
        pending = entry;
    }
    Items::Free(items);
    DestroyChain(pending);
}

// ---- CBlock ----

namespace {

// Every record in use but the default one, by its number (the low half of its hash in the
// slot). Never destroyed: entries of static objects may still give their texts back at exit.
using TextsTable = intern::CHandleTable<std::uint32_t, std::uint32_t>;
TextsTable& TextsByHash() {
    static auto* const table = new TextsTable;
    return *table;
}

// A directory slot of a number given back holds the next number given back (0: none) in its
// upper bits and 1 in the lowest, which no record's address has: the numbers to use again
// cost no room of their own, and giving one back cannot fail.
std::uint32_t g_freeTexts = 0;
std::uint32_t g_nextTexts = 1;

}  // namespace

// Record 0: "?" and "?", in static storage, so that an entry made before main or destroyed
// after it has its texts.
struct CBlock::DefaultTexts {
    Texts header;
    char bytes[2];
};
CBlock::DefaultTexts CBlock::s_defaultTexts = {{0, 1, 1}, {'?', '?'}};
CBlock::Texts* CBlock::s_firstTextsBlock[kTextsBlock] = {&CBlock::s_defaultTexts.header};
CBlock::Texts** CBlock::s_textsBlocks[kTextsBlocks] = {CBlock::s_firstTextsBlock};

inline std::uint32_t CBlock::HoldRecentTexts(std::string_view author, std::string_view comment,
                                             std::uint64_t hash) {
    const RecentTexts* const recent = RecentSet(hash);
    const std::uint32_t tag = RecentTag(hash);
    for (int way = 0; way < 2; ++way) {
        const RecentTexts slot = recent[way];
        if (slot.tag != tag || !slot.number) continue;
        Texts* texts = static_cast<Texts*>(slot.texts);
        if (SameText(texts->Author(), author) && SameText(texts->Comment(), comment)) {
            ++texts->refs;
            return slot.number;
        }
    }
    return 0;
}

CBlock::PreparedTexts CBlock::PrepareOtherTexts(std::string_view author,
                                                std::string_view comment) {
    ShortTexts key;
    if (ShortKey(author, comment, key)) {
        const ShortTexts* const set = ShortSet(key);
        for (int way = 0; way < 2; ++way) {
            const ShortTexts& slot = set[way];
            if (slot.number && SameShort(slot, key)) {
                ++static_cast<Texts*>(slot.texts)->refs;
                return {0, slot.number};
            }
        }
    }
    return PrepareUncachedTexts(author, comment);
}

CBlock::PreparedTexts CBlock::PrepareUncachedTexts(std::string_view author,
                                                   std::string_view comment) {
    const std::uint64_t hash = HashTexts(author, comment);
    // Texts met lately are found in the cache; others (most of them new) in the table.
    if (const std::uint32_t held = HoldRecentTexts(author, comment, hash)) {
        ShortTexts key;
        if (ShortKey(author, comment, key)) {
            key.number = held;
            key.texts = Record(held);
            ShortTexts* const set = ShortSet(key);
            set[1] = set[0];
            set[0] = key;
        }
        return {hash, held};
    }
    TextsByHash().Prefetch(TableHash(hash));
    return {hash, 0};
}

std::uint32_t CBlock::NewTexts(std::string_view author, std::string_view comment,
                               std::uint64_t hash) {
    if (!hash) {
        if (IsDefaultTexts(author, comment)) return 0;
        hash = HashTexts(author, comment);
    }
    if (const std::uint32_t held = HoldRecentTexts(author, comment, hash)) return held;
    return FindOrMakeTexts(author, comment, hash);
}

void CBlock::Remember(std::uint64_t hash, std::uint32_t number) {
    RecentTexts* const recent = RecentSet(hash);
    if (recent[0].number == number) return;
    // Whether it was in the other way or not, the one first so far goes second.
    recent[1] = recent[0];
    recent[0] = RecentTexts{RecentTag(hash), number, Record(number)};
}

std::uint32_t CBlock::FindOrMakeTexts(std::string_view author, std::string_view comment,
                                      std::uint64_t hash) {
    TextsTable& table = TextsByHash();
    std::uint32_t number = table.Find(TableHash(hash), [&](std::uint32_t n) {
        const Texts* t = Record(n);
        return SameText(t->Author(), author) && SameText(t->Comment(), comment);
    });
    if (number) {
        ++Record(number)->refs;
        Remember(hash, number);
        return number;
    }
    // A new record does not take a slot of the cache: texts met once (a comment of one entry)
    // would push out the few that come back line after line. It gets one when met again.
    if (author.size() > UINT32_MAX - sizeof(Texts) ||
        comment.size() > UINT32_MAX - sizeof(Texts) - author.size()) {
        throw std::bad_alloc();
    }
    const std::size_t size = sizeof(Texts) + author.size() + comment.size();
    Texts* texts = static_cast<Texts*>(blockpool::Allocate(size));
    texts->refs = 1;
    texts->authorLength = static_cast<std::uint32_t>(author.size());
    texts->commentLength = static_cast<std::uint32_t>(comment.size());
    if (!author.empty()) std::memcpy(texts->Bytes(), author.data(), author.size());
    if (!comment.empty()) std::memcpy(texts->Bytes() + author.size(), comment.data(), comment.size());
    try {
        if (g_freeTexts) {
            number = g_freeTexts;
        } else {
            number = g_nextTexts;
            if (number >= kTextsBlock * kTextsBlocks) throw std::bad_alloc();
            Texts**& block = s_textsBlocks[number >> kTextsBlockBits];
            if (!block) block = new Texts*[kTextsBlock]();
        }
        table.Insert(TableHash(hash), number);
    } catch (...) {
        blockpool::Free(texts, size);
        throw;
    }
    Texts*& slot = s_textsBlocks[number >> kTextsBlockBits][number & (kTextsBlock - 1)];
    if (number == g_freeTexts) {
        g_freeTexts = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(slot) >> 1);
    } else {
        ++g_nextTexts;
    }
    slot = texts;
    return number;
}

void CBlock::ReleaseCounted(std::uint32_t number) {
    Texts*& slot = s_textsBlocks[number >> kTextsBlockBits][number & (kTextsBlock - 1)];
    Texts* const texts = slot;
    if (--texts->refs != 0) return;
    const std::uint64_t hash = HashTexts(texts->Author(), texts->Comment());
    RecentTexts* const recent = RecentSet(hash);
    for (int way = 0; way < 2; ++way) {
        if (recent[way].number == number) recent[way] = RecentTexts{0, 0, nullptr};
    }
    ShortTexts key;
    if (ShortKey(texts->Author(), texts->Comment(), key)) {
        ShortTexts* set = ShortSet(key);
        for (int way = 0; way < 2; ++way) {
            if (set[way].number == number) set[way] = ShortTexts{};
        }
    }
    TextsByHash().Erase(TableHash(hash), number);
    slot = reinterpret_cast<Texts*>((std::uintptr_t(g_freeTexts) << 1) | 1);
    g_freeTexts = number;
    blockpool::Free(texts, texts->Size());
}

CBlock::~CBlock() {
    if (m_bHasChangerPos) SetChangerPos(nullptr);
    ReleaseTexts(m_nTexts);
}

namespace {
// The run-time words of the entries that have one. Never destroyed, so that entries of static
// objects may go at exit; like the entries, used by one thread.
using RunTimeWords = std::unordered_map<const CBlock*, void*>;
RunTimeWords& ChangerPositions() {
    static RunTimeWords* words = new RunTimeWords;
    return *words;
}
// Stores or (for null) forgets entry's word; returns whether it has one now.
bool StoreWord(RunTimeWords& words, const CBlock* entry, void* word) {
    if (!word) {
        words.erase(entry);
        return false;
    }
    words[entry] = word;
    return true;
}
}  // namespace

BlockPos CBlock::ChangerPosOf(const CBlock* entry) {
    return static_cast<BlockPos>(ChangerPositions().find(entry)->second);
}

void CBlock::SetChangerPos(BlockPos pos) {
    if (!pos && !m_bHasChangerPos) return;
    m_bHasChangerPos = StoreWord(ChangerPositions(), this, pos);
}

CBlock::Snapshot CBlock::TakeSnapshot() const {
    HoldTexts(m_nTexts);
    return Snapshot{m_nTexts, m_nPriority, m_bInherit != 0, m_bChangerEnabled != 0};
}

void CBlock::RestoreSnapshot(const Snapshot& snapshot) {
    if (m_nTexts != snapshot.texts) {
        HoldTexts(snapshot.texts);
        TakeTexts(snapshot.texts);
    }
    m_nPriority = snapshot.priority;
    m_bInherit = snapshot.inherit;
    m_bChangerEnabled = snapshot.changerEnabled;
}

void CBlock::SetAuthor(std::string_view author) {
    if (author != Author()) TakeTexts(NewTexts(author, Comment()));
}

void CBlock::SetComment(std::string_view comment) {
    if (comment != Comment()) TakeTexts(NewTexts(Author(), comment));
}

void CBlock::SetOtherTexts(std::string_view author, std::string_view comment,
                           const CBlock* like, std::uint64_t hash) {
    // An entry with the default texts does not hold these (SetTexts saw to that).
    if (m_nTexts) {
        const Texts* own = TextsRecord();
        if (SameText(own->Author(), author) && SameText(own->Comment(), comment)) return;
    }
    if (like) {
        const Texts* liked = like->TextsRecord();
        if (SameText(liked->Author(), author) && SameText(liked->Comment(), comment)) {
            HoldTexts(like->m_nTexts);
            TakeTexts(like->m_nTexts);
            // Met again: the next line with them finds them in the cache.
            if (hash) Remember(hash, like->m_nTexts);
            return;
        }
    }
    TakeTexts(NewTexts(author, comment, hash));
}

void CBlock::WriteRecord(IByteSink& sink) const {
    WriteRecords(*this, sink);
}

void CBlock::ApplyProperties(const CBlock& source, bool copyPriority,
                             bool copyAuthor, bool copyComment, bool copyInherit,
                             bool copyEnabled) {
    // Take the values first: the source may lie inside this subtree.
    const short priority = source.m_nPriority;
    const std::uint32_t texts = source.m_nTexts;
    const unsigned char inherit = source.m_bInherit;
    const unsigned char enabled = source.m_bChangerEnabled;
    std::vector<CBlock*> pending{this};
    // Held while the subtree changes, and given back however the change ends (std::bad_alloc
    // may stop it half-way).
    struct Hold {
        std::uint32_t number;
        ~Hold() { ReleaseTexts(number); }
    };
    HoldTexts(texts);
    const Hold hold{texts};
    while (!pending.empty()) {
        CBlock* entry = pending.back();
        pending.pop_back();
        if (copyPriority) entry->m_nPriority = priority;
        if (copyAuthor && copyComment) {
            if (entry->m_nTexts != texts) {
                HoldTexts(texts);
                entry->TakeTexts(texts);
            }
        } else if (copyAuthor) {
            entry->SetAuthor(Record(texts)->Author());
        } else if (copyComment) {
            entry->SetComment(Record(texts)->Comment());
        }
        if (copyInherit) entry->m_bInherit = inherit;
        if (copyEnabled) entry->m_bChangerEnabled = enabled;
        for (int i = entry->m_Children.GetCount() - 1; i >= 0; --i) {
            pending.push_back(entry->m_Children.GetAtIndex(i));
        }
    }
}

void CBlock::CollectFolders(std::vector<CBlock*>& collector, bool includeSelf) {
    std::vector<std::pair<CBlock*, bool>> pending{{this, includeSelf}};
    while (!pending.empty()) {
        auto [entry, include] = pending.back();
        pending.pop_back();
        if (entry->m_bFolder && include) collector.push_back(entry);
        for (int i = entry->m_Children.GetCount() - 1; i >= 0; --i) {
            CBlock* child = entry->m_Children.GetAtIndex(i);
            // A file entry with nothing below it has no folder to give: not worth a visit.
            if (child->m_bFolder || !child->m_Children.IsEmpty()) pending.emplace_back(child, true);
        }
    }
}

bool IsSameOrBelow(const CBlock* entry, const CBlock* folder) {
    for (const CBlock* up = entry; up; up = up->m_pParent) {
        if (up == folder) return true;
    }
    return false;
}

void CBlock::DeleteEntry() {
    if (m_pParent) {
        if (BlockPos pos = m_pParent->m_Children.Find(this)) {
            m_pParent->m_Children.RemoveAt(pos);
            return;
        }
    }
    CBlockChildList::Destroy(this);
}

// Every byte here is paid a million times over in a large collection.
static_assert(sizeof(void*) != 8 || sizeof(CBlock) == 40, "CBlock grew");
