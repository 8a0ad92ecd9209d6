// One entry of a wallpaper collection (a folder or a file entry) and the owning list of a
// folder's children.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/BlockName.h"
#include "model/BlockPool.h"

class CBlock;
class IByteSink;

// Opaque list position: null means none. A position stays valid while other entries of the
// list are added or removed.
struct BlockPosTag;
using BlockPos = BlockPosTag*;

// Ordered children of a folder. The list owns its entries: removing one destroys it with its
// subtree. GetAtIndex is constant-time, as the changer draws children by index.
class CBlockChildList {
  public:
    CBlockChildList() = default;
    CBlockChildList(const CBlockChildList&) = delete;
    CBlockChildList& operator=(const CBlockChildList&) = delete;
    ~CBlockChildList();

    BlockPos GetHeadPosition() const;
    CBlock* GetNext(BlockPos& pos) const;
    CBlock* GetAt(BlockPos pos) const;
    // Searches after startAfter (from the head when null); null when absent.
    BlockPos Find(const CBlock* entry, BlockPos startAfter = nullptr) const;
    CBlock* GetAtIndex(int n) const;  // inline below
    // The n for which GetAtIndex(n) is entry; -1 when entry is not in the list.
    int IndexOf(const CBlock* entry) const;
    int GetCount() const;
    bool IsEmpty() const { return GetCount() == 0; }
    // Takes ownership; the caller sets the entry's m_pParent. The entry must have been made
    // with new (std::invalid_argument otherwise, and the list is unchanged).
    void AddTail(CBlock* entry);  // inline below
    void RemoveAt(BlockPos pos);
    // Takes entry (with its subtree) out of the list without destroying it; the caller owns it
    // then and clears nothing else: its m_pParent still names the folder it left.
    void Detach(CBlock* entry);
    // Takes ownership, as AddTail, with entry put at index (0 to GetCount(); beyond: the tail).
    // Costs the length of the list: an undo puts one entry back where it was.
    void InsertAt(int index, CBlock* entry);
    void RemoveAll();
    // Gives back the room kept for further children (a reader calls it as a folder closes).
    void ShrinkToFit();

  private:
    friend class CBlock;
    // Destroy entries with their subtrees without recursion, so that a collection nested a
    // million folders deep cannot exhaust the stack, and without asking for memory, so that
    // letting go of a tree cannot fail half-way (it runs in destructors, and after a removal).
    // The entries still to be emptied are chained through their parent pointers, which nothing
    // reads any more: DestroyChain takes the first of them.
    static void Destroy(CBlock* entry) noexcept;
    static void DestroyChain(CBlock* pending) noexcept;
    // Removal leaves a hole instead of shifting the rest, so that deleting many entries one
    // by one stays linear; holes are squeezed out before the next access by index.
    // One piece of the block pool holds the counts and the slots, and the pieces of folders
    // that grew or went are reused by others. A lone child is held without one (see below).
    // A slot holds its entry's handle in the block pool (model/BlockPool.h), half the room of
    // a pointer: every entry comes from the pool. 0 is a hole.
    using Slot = std::uint32_t;
    struct Items {
        std::uint32_t size;      // slots in use, holes included
        std::uint32_t capacity;  // slots there is room for
        std::uint32_t holes;     // slots of 0, where an entry was removed
        std::uint32_t first;     // index of the first live slot
        Slot* Slots() { return reinterpret_cast<Slot*>(this + 1); }
        const Slot* Slots() const { return reinterpret_cast<const Slot*>(this + 1); }
        void Compact();
        static Items* Make(std::uint32_t capacity);
        static void Free(Items* items);
        // A copy with room for capacity slots; this one goes.
        Items* Resized(std::uint32_t capacity);
    };
    // Null without children. A folder of one child (a chain of nested folders has nothing
    // else) holds it here, marked by the low bit, without a list; the list is made on the
    // second child, and the reader's ShrinkToFit goes back to the lone child when one is left.
    Items* m_pItems = nullptr;
    static constexpr std::uintptr_t kSingle = 1;
    CBlock* Single() const {  // the lone child, or null
        const auto bits = reinterpret_cast<std::uintptr_t>(m_pItems);
        return (bits & kSingle) ? reinterpret_cast<CBlock*>(bits - kSingle) : nullptr;
    }
    Items* List() const {  // the list, or null
        return (reinterpret_cast<std::uintptr_t>(m_pItems) & kSingle) ? nullptr : m_pItems;
    }
    void SetSingle(CBlock* entry);
    bool Holds(const CBlock* entry) const;  // in the slot its index names; a list, not a lone child
    static Slot SlotOf(const CBlock* entry);  // throws std::invalid_argument off the pool
    static CBlock* EntryOf(Slot slot) {       // slot is not a hole
        return static_cast<CBlock*>(blockpool::FromHandle(slot));
    }
    // AddTail for a folder without a list or with a full one, or an entry without a handle.
    void AddTailSlowly(CBlock* entry);
    // GetAtIndex for a lone child, a list with holes or an index out of range.
    CBlock* GetAtIndexSlowly(int n) const;
};

class CBlock {
  public:
    CBlock()
        : m_nTexts(0),
          m_bFolder(false),
          m_bChangerEnabled(true),
          m_bInherit(false),
          m_bHasChangerPos(false) {}
    CBlock(const CBlock&) = delete;
    CBlock& operator=(const CBlock&) = delete;
    ~CBlock();

    // Entries made with new come from the block pool (model/BlockPool.h), and go back to it
    // when deleted: a large collection costs no heap allocation per entry, and memory freed
    // by deleting entries is reused by the next ones read or pasted.
    static void* operator new(std::size_t size) { return blockpool::Allocate(size); }
    static void operator delete(void* entry, std::size_t size) { blockpool::Free(entry, size); }

    // The members are laid out so that an entry takes 40 bytes on a 64-bit system.
    CBlockChildList m_Children;
    int m_nListItem = -1;  // the list row while the folder is shown, run time only

  private:
    int m_nIndexInList = -1;  // index in the owning list, which makes positions O(1)
    std::uint32_t m_nTexts;   // the number of the author and comment record (see Texts)

  public:
    short m_nPriority = 2;
    // One bit each: any value other than 0 reads back as 1, as the file writes it.
    bool m_bFolder : 1;
    bool m_bChangerEnabled : 1;
    bool m_bInherit : 1;

  private:
    bool m_bHasChangerPos : 1;  // GetChangerPos likewise

  public:
    CBlock* m_pParent = nullptr;
    CBlockName m_strName;  // folder: display name; file entry: full path

    // The tree item showing this folder, and the changer's in-turn cursor among its children:
    // both run time only, null until set. Only folders shown in a tree or walked by the
    // changer have them, so they are kept beside the entries (in a table of their own) and a
    // million file entries do not carry the room.
    BlockPos GetChangerPos() const { return m_bHasChangerPos ? ChangerPosOf(this) : nullptr; }
    void SetChangerPos(BlockPos pos);

    std::string GetName() const { return m_strName.str(); }
    std::string GetAuthor() const { return std::string(Author()); }
    std::string GetComment() const { return std::string(Comment()); }
    // Views of texts shared with other entries: valid while this entry keeps its texts.
    std::string_view Author() const { return TextsRecord()->Author(); }
    std::string_view Comment() const { return TextsRecord()->Comment(); }
    void SetAuthor(std::string_view author);
    void SetComment(std::string_view comment);
    // What PrepareTexts found for a pair of texts: a counted reference to their record when
    // it was met lately (held), or else the hash SetTexts takes for them (0 for "?" and "?",
    // which need none).
    struct PreparedTexts {
        std::uint64_t hash;
        std::uint32_t held;
    };
    // Sets both; shares the storage of `like` when it holds the same two texts. prepared is
    // what PrepareTexts gave for these texts; a reference it holds is taken over.
    void SetTexts(std::string_view author, std::string_view comment, const CBlock* like,
                  PreparedTexts prepared = PreparedTexts{0, 0}) {
        if (prepared.held) return TakeTexts(prepared.held);
        // Most entries keep the texts every entry starts with, record number 0.
        if (m_nTexts == 0 && IsDefaultTexts(author, comment)) return;
        SetOtherTexts(author, comment, like, prepared.hash);
    }
    // Looks for these texts among the records met lately, holding a reference to the one
    // found; asks at once for the memory SetTexts will look at for any other. A reader of
    // many entries calls it a few lines ahead, so that the memory arrives while the lines
    // before are made. What it gave goes to SetTexts, or back through DropPreparedTexts.
    static PreparedTexts PrepareTexts(std::string_view author, std::string_view comment) {
        return IsDefaultTexts(author, comment) ? PreparedTexts{0, 0}
                                               : PrepareOtherTexts(author, comment);
    }
    static void DropPreparedTexts(const PreparedTexts& prepared) { ReleaseTexts(prepared.held); }
    // "?" and "?", the texts every entry starts with.
    static bool IsDefaultTexts(std::string_view author, std::string_view comment) {
        return author.size() == 1 && author[0] == '?' && comment.size() == 1 && comment[0] == '?';
    }

    // Writes this entry and its subtree as collection records.
    void WriteRecord(IByteSink& sink) const;
    // Copies the chosen properties of source to this entry and every entry below it.
    void ApplyProperties(const CBlock& source, bool copyPriority,
                         bool copyAuthor, bool copyComment, bool copyInherit, bool copyEnabled);
    // Appends the folders of this subtree in depth-first pre-order. The vector only refers
    // to the entries; they stay owned by their parents.
    void CollectFolders(std::vector<CBlock*>& collector, bool includeSelf);

    // An entry's properties as an edit may have to put them back: the texts are held by their
    // counted record, so a snapshot costs a few bytes whatever the texts are. The name is not
    // in it (most edits leave it alone).
    struct Snapshot {
        std::uint32_t texts = 0;
        short priority = 2;
        bool inherit = false;
        bool changerEnabled = true;
    };
    // A snapshot holds a reference to the texts: give each back with ReleaseSnapshot.
    Snapshot TakeSnapshot() const;
    void RestoreSnapshot(const Snapshot& snapshot);
    static void ReleaseSnapshot(const Snapshot& snapshot) { ReleaseTexts(snapshot.texts); }
    // Removes this entry from its parent (destroying it and its subtree), or destroys it.
    void DeleteEntry();

  private:
    friend class CBlockChildList;

    static BlockPos ChangerPosOf(const CBlock* entry);

    // Author and comment are nearly always shared between many entries ("?" by default),
    // so they live in one shared, immutable record; every pair of texts in use has one record
    // in the whole process (a table finds it), which keeps large collections small whatever
    // order their entries come in. A record is one piece of the block pool: its count, the
    // two lengths, then the bytes of both texts. The count is not atomic and the table has no
    // lock: entries belong to one thread (see model/BlockPool.h).
    struct Texts {
        std::uint32_t refs;
        std::uint32_t authorLength;
        std::uint32_t commentLength;
        const char* Bytes() const { return reinterpret_cast<const char*>(this + 1); }
        char* Bytes() { return reinterpret_cast<char*>(this + 1); }
        std::string_view Author() const { return std::string_view(Bytes(), authorLength); }
        std::string_view Comment() const {
            return std::string_view(Bytes() + authorLength, commentLength);
        }
        std::size_t Size() const { return sizeof(Texts) + authorLength + commentLength; }
    };
    // An entry names its record by a number, which takes half the room of a pointer: the
    // records in use are found through a directory of blocks of kTextsBlock, which are
    // never moved or freed, so that a number stays valid on every thread. Record 0 holds the
    // texts every entry starts with, "?" and "?"; it is never counted nor freed.
    static constexpr std::uint32_t kTextsBlockBits = 12;
    static constexpr std::uint32_t kTextsBlock = 1u << kTextsBlockBits;
    static constexpr std::uint32_t kTextsBlocks = 1u << 16;
    static Texts** s_textsBlocks[kTextsBlocks];
    struct DefaultTexts;
    static DefaultTexts s_defaultTexts;
    static Texts* s_firstTextsBlock[kTextsBlock];  // the directory's first block, record 0's
    static Texts* Record(std::uint32_t number) {
        return s_textsBlocks[number >> kTextsBlockBits][number & (kTextsBlock - 1)];
    }
    const Texts* TextsRecord() const { return Record(m_nTexts); }
    // A counted reference to the record of these texts when the cache of those met lately
    // holds it (hash as HashTexts gives it); 0 when it does not.
    static std::uint32_t HoldRecentTexts(std::string_view author, std::string_view comment,
                                         std::uint64_t hash);
    // A counted reference to the record of these texts, made when none is in use; its
    // number. Throws std::bad_alloc.
    static std::uint32_t NewTexts(std::string_view author, std::string_view comment,
                                  std::uint64_t hash = 0);
    // NewTexts for texts not met lately: kept out of line, so that the common way through
    // NewTexts stays short.
#if defined(__GNUC__)
    __attribute__((noinline))
#endif
    static std::uint32_t FindOrMakeTexts(std::string_view author, std::string_view comment,
                                         std::uint64_t hash);
    // Puts the record of these texts (hash as HashTexts gives it) first in the cache.
    static void Remember(std::uint64_t hash, std::uint32_t number);
    static void HoldTexts(std::uint32_t number) {
        if (number) ++Record(number)->refs;
    }
    static void ReleaseTexts(std::uint32_t number) {
        if (number) ReleaseCounted(number);
    }
    static void ReleaseCounted(std::uint32_t number);
    static PreparedTexts PrepareOtherTexts(std::string_view author, std::string_view comment);
    // PrepareOtherTexts for texts not found by their bytes: kept out of line, like
    // FindOrMakeTexts.
#if defined(__GNUC__)
    __attribute__((noinline))
#endif
    static PreparedTexts PrepareUncachedTexts(std::string_view author, std::string_view comment);
    // Takes a counted reference in place of the texts held so far.
    void TakeTexts(std::uint32_t number) {
        const std::uint32_t old = m_nTexts;
        m_nTexts = number;
        ReleaseTexts(old);
    }
    void SetOtherTexts(std::string_view author, std::string_view comment, const CBlock* like,
                       std::uint64_t hash);
};

// A reader adds every entry it reads here: the common case (room in the list, the entry in
// the pool's current chunk) costs a few instructions; the rest goes out of line.
inline void CBlockChildList::AddTail(CBlock* entry) {
    // An entry lives in exactly one list, its parent's; the index would otherwise lie.
    assert(entry->m_nIndexInList < 0);
    Items* items = List();
    if (items && items->size < items->capacity) {
        if (const Slot slot = blockpool::HandleOf(entry)) {
            entry->m_nIndexInList = static_cast<int>(items->size);
            items->Slots()[items->size++] = slot;
            return;
        }
    }
    AddTailSlowly(entry);
}

// Writing a collection walks every folder's children by index.
inline CBlock* CBlockChildList::GetAtIndex(int n) const {
    const Items* items = List();
    if (items && !items->holes && static_cast<std::uint32_t>(n) < items->size) {
        return EntryOf(items->Slots()[n]);
    }
    return GetAtIndexSlowly(n);
}

// True when entry is folder or lies below it (false for a null entry).
bool IsSameOrBelow(const CBlock* entry, const CBlock* folder);
