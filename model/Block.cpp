#include "model/Block.h"

#include <cassert>
#include <cstring>
#include <new>
#include <stdexcept>
#include <unordered_map>
#include <utility>
#include <vector>

#include "model/BlockPool.h"
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
// and a record found here costs no search of the table.
// The hash is kept beside the record, so that a slot holding another record is passed over
// without a look at it.
constexpr std::size_t kRecent = 256;
struct RecentTexts {
    std::uint64_t hash;
    void* texts;
};
RecentTexts g_recentTexts[kRecent];
std::size_t RecentSlot(std::uint64_t hash) {
    return static_cast<std::size_t>(hash >> 48) % kRecent;
}

// Most texts are one byte ("?"): they are told apart without a library call.
// Texts of up to sixteen bytes (an author's name) in two overlapping loads from each side.
inline bool SameText(const std::string& a, std::string_view b) {
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

inline CBlock* CBlockChildList::EntryOf(Slot slot) {
    return static_cast<CBlock*>(blockpool::FromHandle(slot));
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

CBlock* CBlockChildList::Single() const {
    const auto bits = reinterpret_cast<std::uintptr_t>(m_pItems);
    return (bits & kSingle) ? reinterpret_cast<CBlock*>(bits - kSingle) : nullptr;
}

CBlockChildList::Items* CBlockChildList::List() const {
    return (reinterpret_cast<std::uintptr_t>(m_pItems) & kSingle) ? nullptr : m_pItems;
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

CBlock* CBlockChildList::GetAt(BlockPos pos) const {
    return FromPos(pos);
}

BlockPos CBlockChildList::Find(const CBlock* entry, BlockPos startAfter) const {
    if (!entry || !m_pItems) return nullptr;
    if (CBlock* single = Single()) {
        return single == entry && !startAfter ? ToPos(single) : nullptr;
    }
    int index = entry->m_nIndexInList;
    if (index < 0 || static_cast<std::size_t>(index) >= m_pItems->size) return nullptr;
    const Slot slot = m_pItems->Slots()[index];
    if (!slot || EntryOf(slot) != entry) return nullptr;
    if (startAfter && FromPos(startAfter)->m_nIndexInList >= index) return nullptr;
    return ToPos(EntryOf(slot));
}

CBlock* CBlockChildList::GetAtIndex(int n) const {
    if (n < 0 || n >= GetCount()) return nullptr;
    if (CBlock* single = Single()) return single;
    if (m_pItems->holes) m_pItems->Compact();
    return EntryOf(m_pItems->Slots()[n]);
}

int CBlockChildList::IndexOf(const CBlock* entry) const {
    if (!entry || !m_pItems) return -1;
    if (CBlock* single = Single()) return single == entry ? 0 : -1;
    const int index = entry->m_nIndexInList;
    if (index < 0 || static_cast<std::size_t>(index) >= m_pItems->size) return -1;
    const Slot slot = m_pItems->Slots()[index];
    if (!slot || EntryOf(slot) != entry) return -1;
    if (m_pItems->holes) m_pItems->Compact();  // the index counts live entries only
    return entry->m_nIndexInList;
}

int CBlockChildList::GetCount() const {
    if (const Items* items = List()) return static_cast<int>(items->size - items->holes);
    return m_pItems ? 1 : 0;  // a lone child
}

void CBlockChildList::AddTail(CBlock* entry) {
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

void CBlockChildList::Destroy(std::vector<CBlock*> pending) {
    while (!pending.empty()) {
        CBlock* entry = pending.back();
        pending.pop_back();
        if (CBlock* child = entry->m_Children.Single()) {
            entry->m_Children.m_pItems = nullptr;
            if (child->m_Children.m_pItems) {
                pending.push_back(child);
            } else {
                delete child;
            }
        } else if (Items* items = entry->m_Children.m_pItems) {
            entry->m_Children.m_pItems = nullptr;
            // Children without children of their own (most of them) go at once; the others
            // wait on the stack, so that nothing here recurses. The entry itself is still
            // live, so the pool keeps its chunks and the handles stay good.
            const Slot* slots = items->Slots();
            for (std::uint32_t i = 0; i < items->size; ++i) {
                if (!slots[i]) continue;
                CBlock* child = EntryOf(slots[i]);
                if (child->m_Children.m_pItems) {
                    pending.push_back(child);
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
    if (Single()) {
        m_pItems = nullptr;
        entry->m_nIndexInList = -1;
        Destroy({entry});
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
    Destroy({entry});
}

void CBlockChildList::RemoveAll() {
    if (!m_pItems) return;
    if (CBlock* single = Single()) {
        std::vector<CBlock*> pending{single};  // made before the list lets go of it
        m_pItems = nullptr;
        Destroy(std::move(pending));
        return;
    }
    Items* items = m_pItems;
    m_pItems = nullptr;
    // Destroy in list order, as repeated removal at the head would.
    std::vector<CBlock*> reversed;
    try {
        reversed.reserve(items->size);
    } catch (...) {
        m_pItems = items;
        throw;
    }
    const Slot* slots = items->Slots();
    for (std::uint32_t i = items->size; i-- > 0;) {
        if (slots[i]) reversed.push_back(EntryOf(slots[i]));
    }
    Items::Free(items);
    Destroy(std::move(reversed));
}

// ---- CBlock ----

CBlock::Texts** CBlock::s_textsBlocks[kTextsBlocks];

namespace {
// Numbers given back, for the next records; never destroyed, like the records' table.
std::vector<std::uint32_t>& FreeTextsNumbers() {
    static auto* const numbers = new std::vector<std::uint32_t>;
    return *numbers;
}
std::uint32_t g_nextTextsNumber = 0;
}  // namespace

void CBlock::Number(Texts* texts) {
    std::vector<std::uint32_t>& free = FreeTextsNumbers();
    std::uint32_t number;
    if (!free.empty()) {
        number = free.back();
        free.pop_back();
    } else {
        number = g_nextTextsNumber;
        if (number >= kTextsBlock * kTextsBlocks) throw std::bad_alloc();
        // Room for every number handed out to come back: giving one back never fails.
        if (free.capacity() <= number) free.reserve(2 * std::size_t(number) + 16);
        Texts**& block = s_textsBlocks[number >> kTextsBlockBits];
        if (!block) block = new Texts*[kTextsBlock]();
        ++g_nextTextsNumber;
    }
    s_textsBlocks[number >> kTextsBlockBits][number & (kTextsBlock - 1)] = texts;
    texts->number = number;
}

void CBlock::Unnumber(Texts* texts) {
    s_textsBlocks[texts->number >> kTextsBlockBits][texts->number & (kTextsBlock - 1)] = nullptr;
    FreeTextsNumbers().push_back(texts->number);
}

CBlock::Texts* CBlock::DefaultTexts() {
    // Never freed: entries of static objects may still refer to it while the program ends.
    // Made on first use, as number 0, the number every new entry starts with.
    static Texts* const texts = [] {
        Texts* made = new Texts{"?", "?", 1};
        Number(made);
        assert(made->number == 0);
        return made;
    }();
    return texts;
}

intern::CTable<CBlock::Texts>& CBlock::Table() {
    // Never destroyed: entries of static objects may still give their texts back at exit.
    static auto* const table = new intern::CTable<Texts>;
    return *table;
}

CBlock::Texts* CBlock::NewTexts(std::string_view author, std::string_view comment) {
    if (author == "?" && comment == "?") {
        Texts* texts = DefaultTexts();
        ++texts->refs;
        return texts;
    }
    const std::uint64_t hash = intern::Hash(comment, intern::Hash(author));
    RecentTexts& recent = g_recentTexts[RecentSlot(hash)];
    if (recent.texts && recent.hash == hash) {
        Texts* texts = static_cast<Texts*>(recent.texts);
        if (SameText(texts->author, author) && SameText(texts->comment, comment)) {
            ++texts->refs;
            return texts;
        }
    }
    intern::CTable<Texts>& table = Table();
    Texts* texts = table.Find(hash, [&](const Texts* t) {
        return SameText(t->author, author) && SameText(t->comment, comment);
    });
    if (texts) {
        ++texts->refs;
        recent = RecentTexts{hash, texts};
        return texts;
    }
    texts = new Texts{std::string(author), std::string(comment), 1, hash};
    try {
        Number(texts);
    } catch (...) {
        delete texts;
        throw;
    }
    try {
        table.Insert(hash, texts);
    } catch (...) {
        Unnumber(texts);
        delete texts;
        throw;
    }
    // A new record does not take the slot: texts met once (a comment of one entry) would
    // push out the few that come back line after line. It gets it when it is met again.
    return texts;
}

void CBlock::ReleaseTexts(Texts* texts) {
    if (--texts->refs != 0) return;
    RecentTexts& recent = g_recentTexts[RecentSlot(texts->hash)];
    if (recent.texts == texts) recent = RecentTexts{0, nullptr};
    Table().Erase(texts->hash, texts);
    Unnumber(texts);
    delete texts;
}

void CBlock::UseTexts(Texts* texts) {
    // Taken first: texts may be the record this entry holds alone.
    ++texts->refs;
    ReleaseTexts(TextsRecord());
    m_nTexts = texts->number;
}

void* CBlock::operator new(std::size_t size) {
    return blockpool::Allocate(size);
}

void CBlock::operator delete(void* entry, std::size_t size) {
    blockpool::Free(entry, size);
}

CBlock::CBlock()
    : m_nTexts(0),
      m_bFolder(false),
      m_bChangerEnabled(true),
      m_bInherit(false),
      m_bHasTreeItem(false),
      m_bHasChangerPos(false) {
    ++DefaultTexts()->refs;
}

CBlock::~CBlock() {
    if (m_bHasTreeItem) SetTreeItem(nullptr);
    if (m_bHasChangerPos) SetChangerPos(nullptr);
    ReleaseTexts(TextsRecord());
}

namespace {
// The run-time words of the entries that have one. Never destroyed, so that entries of static
// objects may go at exit; like the entries, used by one thread.
using RunTimeWords = std::unordered_map<const CBlock*, void*>;
RunTimeWords& TreeItems() {
    static RunTimeWords* words = new RunTimeWords;
    return *words;
}
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

TreeItem CBlock::TreeItemOf(const CBlock* entry) {
    return TreeItems().find(entry)->second;
}

BlockPos CBlock::ChangerPosOf(const CBlock* entry) {
    return static_cast<BlockPos>(ChangerPositions().find(entry)->second);
}

void CBlock::SetTreeItem(TreeItem item) {
    if (!item && !m_bHasTreeItem) return;
    m_bHasTreeItem = StoreWord(TreeItems(), this, item);
}

void CBlock::SetChangerPos(BlockPos pos) {
    if (!pos && !m_bHasChangerPos) return;
    m_bHasChangerPos = StoreWord(ChangerPositions(), this, pos);
}

void CBlock::SetAuthor(std::string_view author) {
    if (author != TextsRecord()->author) {
        Texts* texts = NewTexts(author, TextsRecord()->comment);
        UseTexts(texts);
        --texts->refs;
    }
}

void CBlock::SetComment(std::string_view comment) {
    if (comment != TextsRecord()->comment) {
        Texts* texts = NewTexts(TextsRecord()->author, comment);
        UseTexts(texts);
        --texts->refs;
    }
}

void CBlock::SetOtherTexts(std::string_view author, std::string_view comment,
                           const CBlock* like) {
    const Texts* own = TextsRecord();
    if (SameText(own->author, author) && SameText(own->comment, comment)) return;
    Texts* liked = like ? like->TextsRecord() : nullptr;
    if (liked && SameText(liked->author, author) && SameText(liked->comment, comment)) {
        UseTexts(liked);
    } else {
        Texts* texts = NewTexts(author, comment);
        UseTexts(texts);
        --texts->refs;
    }
}

void CBlock::WriteRecord(IByteSink& sink) const {
    WriteRecords(*this, sink);
}

void CBlock::InsertIntoTree(ITreeControl& tree, TreeItem parentItem) {
    // Pre-order with an explicit stack: (entry, item of its parent).
    std::vector<std::pair<CBlock*, TreeItem>> pending{{this, parentItem}};
    int image = -2;  // looked up once, on the first folder
    while (!pending.empty()) {
        auto [entry, parent] = pending.back();
        pending.pop_back();
        if (!entry->m_bFolder) {
            entry->SetTreeItem(nullptr);
            continue;
        }
        if (entry->m_strName.empty()) entry->m_strName = "Pelorand";
        if (image == -2) image = tree.FolderImage();
        entry->SetTreeItem(tree.InsertItem(parent, entry->m_strName, image, image, entry));
        tree.SetCheck(entry->GetTreeItem(), entry->m_bChangerEnabled != 0);
        // Push children in reverse so that they are inserted in list order.
        for (int i = entry->m_Children.GetCount() - 1; i >= 0; --i) {
            pending.emplace_back(entry->m_Children.GetAtIndex(i), entry->GetTreeItem());
        }
    }
}

void CBlock::ApplyProperties(const CBlock& source, ITreeControl* tree, bool copyPriority,
                             bool copyAuthor, bool copyComment, bool copyInherit,
                             bool copyEnabled) {
    // Take the values first: the source may lie inside this subtree.
    const short priority = source.m_nPriority;
    Texts* const texts = source.TextsRecord();
    ++texts->refs;  // held while the subtree changes
    const unsigned char inherit = source.m_bInherit;
    const unsigned char enabled = source.m_bChangerEnabled;
    std::vector<CBlock*> pending{this};
    while (!pending.empty()) {
        CBlock* entry = pending.back();
        pending.pop_back();
        if (copyPriority) entry->m_nPriority = priority;
        if (copyAuthor && copyComment) {
            entry->UseTexts(texts);
        } else if (copyAuthor) {
            entry->SetAuthor(texts->author);
        } else if (copyComment) {
            entry->SetComment(texts->comment);
        }
        if (copyInherit) entry->m_bInherit = inherit;
        if (copyEnabled) {
            entry->m_bChangerEnabled = enabled;
            if (tree && entry->GetTreeItem()) tree->SetCheck(entry->GetTreeItem(), enabled != 0);
        }
        for (int i = entry->m_Children.GetCount() - 1; i >= 0; --i) {
            pending.push_back(entry->m_Children.GetAtIndex(i));
        }
    }
    ReleaseTexts(texts);
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

void CBlock::DeleteEntry() {
    if (m_pParent) {
        if (BlockPos pos = m_pParent->m_Children.Find(this)) {
            m_pParent->m_Children.RemoveAt(pos);
            return;
        }
    }
    CBlockChildList::Destroy({this});
}

// Every byte here is paid a million times over in a large collection.
static_assert(sizeof(void*) != 8 || sizeof(CBlock) == 40, "CBlock grew");
