#include "overlay_layer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "made_files.h"
#include "path_lexical.h"
#include "path_text.h"

namespace zel::toolkit {

namespace {

constexpr uint64_t kPage = 4096;
// Files made here have an identity no disk gives: this volume.
constexpr uint64_t kOverlayVolume = ~uint64_t{0};
constexpr uint64_t kSpilled = uint64_t{1} << 63;

// The key of a name: its absolute form, and on Windows, where names differ
// by more than ASCII case only, its ASCII letters folded (never the second
// byte of a two-byte character, which may look like one).
std::string Key(const Path& path) {
    LexicalPath lexical;
    std::string key = MakeLexical(path, lexical) ? lexical.Text() : path;
#ifdef _WIN32
    for (size_t i = 0; i < key.size(); ++i) {
        if (IsLeadByte(key[i])) {
            ++i;
        } else if (key[i] >= 'a' && key[i] <= 'z') {
            key[i] = static_cast<char>(key[i] - 'a' + 'A');
        }
    }
#endif
    return key;
}

std::string ParentKey(const std::string& key) { return SplitLast(key).folder; }

// Who owns a file or folder made here: the program, as the system's table
// would answer for one it made with these permission bits.
Ownership OwnOwnership(uint32_t mode) {
    Ownership own;
    own.trusted = true;
    own.mode = mode;
#ifndef _WIN32
    if ((mode & 022) != 0) {
        own.othersMayWrite = true;
        char text[64];
        std::snprintf(text, sizeof text, "group or others may write it (mode 0%o)", static_cast<unsigned>(mode & 07777));
        own.refusal = text;
    }
#endif
    return own;
}

}  // namespace

struct OverlayContent {
    Path lower;               // the file below this began as; empty for one made here
    uint64_t lowerValid = 0;  // how much of it is still seen
    uint64_t length = 0;
    std::map<uint64_t, uint64_t> pages;  // page number -> slot of its changed bytes
    Facts facts;                         // kind, identity, links, mode, owner
};

// The changed pages: in memory up to a budget, then appended to a work
// file of the program's own outside the roots.
class OverlayPages {
public:
    OverlayPages(Layer& layer, Path spillFolder, uint64_t memoryBytes)
        : layer_(layer), spillFolder_(std::move(spillFolder)), memoryPages_(memoryBytes / kPage) {}

    ~OverlayPages() {
        if (spill_ == nullptr) return;
        (void)spill_->Close();
        (void)layer_.below()->Remove(spillPath_);
    }

    Status Read(uint64_t slot, char* page) {
        if ((slot & kSpilled) == 0) {
            std::memcpy(page, memory_[slot].get(), kPage);
            return Status();
        }
        Result<size_t> read = spill_->ReadAt((slot & ~kSpilled) * kPage, page, kPage);
        if (!read.ok()) return read.TakeStatus();
        if (*read != kPage) return Status::Refused(Code::Io, "the check's work file was cut short");
        return Status();
    }

    Status Write(uint64_t slot, const char* page) {
        if ((slot & kSpilled) == 0) {
            std::memcpy(memory_[slot].get(), page, kPage);
            return Status();
        }
        return spill_->WriteAt((slot & ~kSpilled) * kPage, page, kPage);
    }

    Result<uint64_t> Add(const char* page) {
        if (memory_.size() < memoryPages_) {
            memory_.push_back(std::make_unique<char[]>(kPage));
            std::memcpy(memory_.back().get(), page, kPage);
            return static_cast<uint64_t>(memory_.size() - 1);
        }
        if (spill_ == nullptr) {
            if (Status opened = OpenSpill(); !opened.ok()) return opened;
        }
        const uint64_t slot = kSpilled | spilled_;
        if (Status written = spill_->WriteAt(spilled_ * kPage, page, kPage); !written.ok()) return written;
        ++spilled_;
        return slot;
    }

private:
    Status OpenSpill() {
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        for (int attempt = 0; attempt < 16; ++attempt) {
            spillPath_ = JoinName(spillFolder_, "zel-check-" + std::to_string(now) + "-" +
                                                    std::to_string(attempt) + ".pages");
            OpenOptions options{OpenMode::CreateOnly, Last::Itself, true, true};
            Result<std::unique_ptr<File>> opened = layer_.below()->Open(spillPath_, options);
            if (opened.ok()) {
                spill_ = opened.TakeValue();
                return Status();
            }
            if (opened.status().code() != Code::Exists) return opened.TakeStatus().At(spillPath_);
        }
        return Status::AsIfSystem(EEXIST).At(spillPath_);
    }

    Layer& layer_;
    Path spillFolder_;
    uint64_t memoryPages_;
    std::vector<std::unique_ptr<char[]>> memory_;
    std::unique_ptr<File> spill_;
    Path spillPath_;
    uint64_t spilled_ = 0;
};

// An open file of the layer: its bytes are the changed pages over what is
// left of the file below.
class OverlayFile : public File {
public:
    OverlayFile(OverlayLayer& layer, std::shared_ptr<OverlayContent> content, Path path, bool writable)
        : File(std::move(path)), layer_(layer), content_(std::move(content)), writable_(writable) {}

    Result<size_t> ReadAt(uint64_t offset, void* buffer, size_t size) override {
        if (offset >= content_->length) return size_t{0};
        const size_t count = static_cast<size_t>(std::min<uint64_t>(size, content_->length - offset));
        Status read = EachPage(offset, count, [&](char* page, size_t within, size_t done, size_t take) {
            std::memcpy(static_cast<char*>(buffer) + done, page + within, take);
            return Status();
        });
        if (!read.ok()) return read;
        return count;
    }

    Status WriteAt(uint64_t offset, const void* bytes, size_t size) override {
        if (!writable_) return Status::AsIfSystem(EBADF);
        Status written = EachPage(offset, size, [&](char* page, size_t within, size_t done, size_t take) {
            std::memcpy(page + within, static_cast<const char*>(bytes) + done, take);
            return StorePage((offset + done) / kPage, page);
        });
        if (!written.ok()) return written;
        content_->length = std::max<uint64_t>(content_->length, offset + size);
        return Status();
    }

    Status Truncate(uint64_t size) override {
        if (!writable_) return Status::AsIfSystem(EBADF);
        if (size < content_->length) {
            content_->pages.erase(content_->pages.lower_bound((size + kPage - 1) / kPage), content_->pages.end());
            // The bytes past the end of a page that stays read as zeros
            // should the file grow again, as on a disk.
            if (size % kPage != 0 && content_->pages.count(size / kPage) != 0) {
                char page[kPage];
                if (Status loaded = LoadPage(size / kPage, page); !loaded.ok()) return loaded;
                std::memset(page + size % kPage, 0, kPage - size % kPage);
                if (Status stored = StorePage(size / kPage, page); !stored.ok()) return stored;
            }
            content_->lowerValid = std::min(content_->lowerValid, size);
        }
        content_->length = size;
        return Status();
    }

    Status Flush() override { return Status(); }
    Result<Facts> Look() override { return layer_.FactsOf(*content_); }

    Status SetAttributes(const Attributes& attributes) override {
        // No set-id or sticky bit, as on the disk.
        if (attributes.mode >= 0) content_->facts.mode = static_cast<uint32_t>(attributes.mode) & 0777;
        if (attributes.owner >= 0) content_->facts.owner = attributes.owner;
        if (attributes.group >= 0) content_->facts.group = attributes.group;
        return Status();
    }

    Result<Ownership> Owner() override {
        if (content_->lower.empty()) return OwnOwnership(content_->facts.mode);
        return layer_.below()->Owner(content_->lower, Last::Follow);
    }

    Status Close() override {
        below_.reset();
        return Status();
    }

private:
    // A page as the file holds it: changed here, or the file below's bytes
    // up to what is left of it, zeros after.
    // Calls use(page, within, done, take) for each page that bytes
    // [offset, offset + count) reach, the page loaded, within the offset of
    // the span in it, done the span's offset in the call's bytes.
    template <class Use>
    Status EachPage(uint64_t offset, size_t count, Use use) {
        char page[kPage];
        for (size_t done = 0; done < count;) {
            const uint64_t at = offset + done;
            const size_t within = static_cast<size_t>(at % kPage);
            const size_t take = std::min(count - done, static_cast<size_t>(kPage - within));
            if (Status loaded = LoadPage(at / kPage, page); !loaded.ok()) return loaded;
            if (Status used = use(page, within, done, take); !used.ok()) return used;
            done += take;
        }
        return Status();
    }

    Status LoadPage(uint64_t number, char* page) {
        const auto changed = content_->pages.find(number);
        if (changed != content_->pages.end()) return layer_.pages_->Read(changed->second, page);
        std::memset(page, 0, kPage);
        const uint64_t start = number * kPage;
        if (start >= content_->lowerValid) return Status();
        if (below_ == nullptr) {
            Result<std::unique_ptr<File>> opened =
                layer_.below()->Open(content_->lower, OpenOptions{OpenMode::Read, Last::Follow});
            if (!opened.ok()) return opened.TakeStatus();
            below_ = opened.TakeValue();
        }
        const size_t want = static_cast<size_t>(std::min<uint64_t>(kPage, content_->lowerValid - start));
        for (size_t done = 0; done < want;) {
            Result<size_t> read = below_->ReadAt(start + done, page + done, want - done);
            if (!read.ok()) return read.TakeStatus();
            if (*read == 0) break;
            done += *read;
        }
        return Status();
    }

    Status StorePage(uint64_t number, const char* page) {
        const auto changed = content_->pages.find(number);
        if (changed != content_->pages.end()) return layer_.pages_->Write(changed->second, page);
        Result<uint64_t> slot = layer_.pages_->Add(page);
        if (!slot.ok()) return slot.TakeStatus();
        content_->pages[number] = *slot;
        return Status();
    }

    OverlayLayer& layer_;
    std::shared_ptr<OverlayContent> content_;
    bool writable_;
    std::unique_ptr<File> below_;
};

OverlayLayer::OverlayLayer(Path spillFolder, uint64_t memoryBytes)
    : pages_(std::make_unique<OverlayPages>(*this, std::move(spillFolder), memoryBytes)) {}

OverlayLayer::~OverlayLayer() = default;

bool OverlayLayer::Shadowed(const std::string& key) const {
    // A name beneath one this layer holds is not below: beneath a name
    // taken away, a folder made here or a file, nothing of the disk shows.
    for (std::string at = ParentKey(key); !at.empty();) {
        if (nodes_.count(at) != 0) return true;
        std::string up = ParentKey(at);
        if (up == at) break;
        at = std::move(up);
    }
    return false;
}

Result<OverlayLayer::View> OverlayLayer::ViewOf(const Path& path, Last last) {
    const std::string key = Key(path);
    View view;
    const auto found = nodes_.find(key);
    if (found != nodes_.end()) {
        view.kind = found->second.kind;
        view.node = &found->second;
        return view;
    }
    if (Shadowed(key)) return view;
    Result<Facts> facts = below_->Look(path, last);
    if (!facts.ok()) return facts.TakeStatus();
    view.kind = facts->kind;
    view.below = *facts;
    return view;
}

Status OverlayLayer::NeedFolder(const Path& path) {
    const std::string folder = SplitLast(path).folder;
    if (folder.empty()) return Status();
    Result<View> view = ViewOf(folder, Last::Follow);
    if (!view.ok()) return view.TakeStatus();
    if (view->kind == Kind::Missing) return Status::AsIfSystem(ENOENT);
    if (view->kind != Kind::Folder) return Status::AsIfSystem(ENOTDIR);
    return Status();
}

std::shared_ptr<OverlayContent> OverlayLayer::NewContent(bool ownerOnly) {
    auto content = std::make_shared<OverlayContent>();
    content->facts.kind = Kind::Regular;
    content->facts.links = 1;
    content->facts.volume = kOverlayVolume;
    content->facts.index = nextIndex_++;
    content->facts.mode = ownerOnly ? 0600 : 0644;
    return content;
}

Result<std::shared_ptr<OverlayContent>> OverlayLayer::ContentOf(const Path& path, const View& view) {
    if (view.node != nullptr && view.node->content != nullptr) return view.node->content;
    // Every name of one file below shares what is changed of it, as hard
    // links share their bytes.
    const std::pair<uint64_t, uint64_t> identity(view.below.volume, view.below.index);
    if (auto known = byIdentity_[identity].lock()) return known;
    auto content = std::make_shared<OverlayContent>();
    content->lower = path;
    content->lowerValid = view.below.size;
    content->length = view.below.size;
    content->facts = view.below;
    byIdentity_[identity] = content;
    return content;
}

void OverlayLayer::Put(const Path& path, Node node) {
    node.name = SplitLast(path).name;
    nodes_[Key(path)] = std::move(node);
}

void OverlayLayer::DropName(const View& view) {
    std::shared_ptr<OverlayContent> content;
    if (view.node != nullptr) {
        content = view.node->content;
    } else if (view.kind == Kind::Regular) {
        content = byIdentity_[{view.below.volume, view.below.index}].lock();
    }
    if (content != nullptr && content->facts.links > 0) --content->facts.links;
}

Facts OverlayLayer::FactsOf(const OverlayContent& content) const {
    Facts facts = content.facts;
    facts.size = content.length;
    return facts;
}

Result<Facts> OverlayLayer::Look(const Path& path, Last last) {
    Result<View> view = ViewOf(path, last);
    if (!view.ok()) return view.TakeStatus();
    if (view->node == nullptr) return view->below;
    Facts facts;
    if (view->kind == Kind::Folder) {
        facts.kind = Kind::Folder;
        facts.links = 1;
        facts.volume = kOverlayVolume;
        facts.mode = 0700;
    } else if (view->node->content != nullptr) {
        facts = FactsOf(*view->node->content);
    }
    return facts;
}

Result<Path> OverlayLayer::Resolve(const Path& path, Last last) {
    const std::string key = Key(path);
    if (nodes_.count(key) != 0 || Shadowed(key)) {
        LexicalPath lexical;
        if (MakeLexical(path, lexical)) return lexical.Text();
        return path;
    }
    return below_->Resolve(path, last);
}

Result<Ownership> OverlayLayer::Owner(const Path& path, Last last) {
    Result<View> view = ViewOf(path, last);
    if (!view.ok()) return view.TakeStatus();
    if (view->kind == Kind::Missing) return Status::AsIfSystem(ENOENT);
    if (view->node == nullptr) return below_->Owner(path, last);
    const auto& content = view->node->content;
    if (content == nullptr) return OwnOwnership(0700);
    if (content->lower.empty()) return OwnOwnership(content->facts.mode);
    return below_->Owner(content->lower, Last::Follow);
}

Result<std::vector<Entry>> OverlayLayer::List(const Path& folder) {
    Result<View> view = ViewOf(folder, Last::Follow);
    if (!view.ok()) return view.TakeStatus();
    if (view->kind == Kind::Missing) return Status::AsIfSystem(ENOENT);
    if (view->kind != Kind::Folder) return Status::AsIfSystem(ENOTDIR);
    std::vector<Entry> entries;
    if (view->node == nullptr) {
        Result<std::vector<Entry>> below = below_->List(folder);
        if (!below.ok()) return below;
        entries = below.TakeValue();
    }
    const std::string folderKey = Key(folder);
    std::map<std::string, size_t> index;
    for (size_t i = 0; i < entries.size(); ++i) index[Key(JoinName(folder, entries[i].name))] = i;
    std::vector<bool> gone(entries.size(), false);
    for (auto it = nodes_.lower_bound(folderKey); it != nodes_.end(); ++it) {
        if (it->first.compare(0, folderKey.size(), folderKey) != 0) break;
        if (it->first == folderKey || ParentKey(it->first) != folderKey) continue;
        const Node& node = it->second;
        const Kind kind = node.content != nullptr ? node.content->facts.kind : node.kind;
        const auto listed = index.find(it->first);
        if (listed != index.end()) {
            gone[listed->second] = node.kind == Kind::Missing;
            entries[listed->second].kind = kind;
        } else if (node.kind != Kind::Missing) {
            entries.push_back(Entry{node.name, kind, true});
            gone.push_back(false);
        }
    }
    std::vector<Entry> seen;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!gone[i]) seen.push_back(std::move(entries[i]));
    }
    return seen;
}

Result<std::unique_ptr<File>> OverlayLayer::Open(const Path& path, const OpenOptions& options) {
    if (options.bookkeeping) return below_->Open(path, options);
    const bool create = options.mode == OpenMode::CreateOnly;
    Result<View> view = ViewOf(path, create ? Last::Itself : options.last);
    if (!view.ok()) return view.TakeStatus();
    if (create) {
        if (view->kind != Kind::Missing) return Status::AsIfSystem(EEXIST);
        if (Status folder = NeedFolder(path); !folder.ok()) return folder;
        std::shared_ptr<OverlayContent> content = NewContent(options.ownerOnly);
        // As the system's table notes what it makes: a work file moves over
        // its target only while it is still the one made here.
        NoteMadeFile(FactsOf(*content));
        Put(path, Node{Kind::Regular, content, {}});
        return std::unique_ptr<File>(std::make_unique<OverlayFile>(*this, content, path, true));
    }
    // What is only read and was never changed, under this name or another
    // of its names, is read from the disk as it is.
    if (view->node == nullptr && options.mode == OpenMode::Read) {
        const auto shared = byIdentity_.find({view->below.volume, view->below.index});
        if (view->kind != Kind::Regular || shared == byIdentity_.end() || shared->second.expired()) {
            return below_->Open(path, options);
        }
    }
    if (view->kind == Kind::Missing) return Status::AsIfSystem(ENOENT);
    if (view->kind == Kind::Folder) return Status::Refused(Code::IsFolder, "it is a folder");
    if (view->kind != Kind::Regular) return Status::Refused(Code::NotRegular, "it is not a regular file");
    Result<std::shared_ptr<OverlayContent>> content = ContentOf(path, *view);
    if (!content.ok()) return content.TakeStatus();
    if (view->node == nullptr) Put(path, Node{Kind::Regular, *content, {}});
    return std::unique_ptr<File>(
        std::make_unique<OverlayFile>(*this, *content, path, options.mode == OpenMode::Update));
}

Status OverlayLayer::Rename(const Path& from, const Path& to, RenameMode mode, Touched* touched) {
    Result<View> source = ViewOf(from, Last::Itself);
    if (!source.ok()) return source.TakeStatus();
    if (source->kind == Kind::Missing) return Status::AsIfSystem(ENOENT);
    if (source->kind == Kind::Folder) return Status::Refused(Code::Unsupported, "a check renames no folder");
    Result<View> target = ViewOf(to, mode == RenameMode::NoReplace ? Last::Itself : Last::Follow);
    if (!target.ok()) return target.TakeStatus();
    if (mode == RenameMode::NoReplace && target->kind != Kind::Missing) return Status::AsIfSystem(EEXIST);
    if (target->kind == Kind::Folder) return Status::AsIfSystem(EISDIR);
    if (Status folder = NeedFolder(to); !folder.ok()) return folder;
    if (touched != nullptr) *touched = Touched{to, from};
    if (Key(from) == Key(to)) return Status();
    Result<std::shared_ptr<OverlayContent>> content = ContentOf(from, *source);
    if (!content.ok()) return content.TakeStatus();
    DropName(*target);
    Put(to, Node{Kind::Regular, *content, {}});
    Put(from, Node{});
    return Status();
}

Status OverlayLayer::Link(const Path& existing, const Path& name, Touched* touched) {
    Result<View> source = ViewOf(existing, Last::Itself);
    if (!source.ok()) return source.TakeStatus();
    if (source->kind == Kind::Missing) return Status::AsIfSystem(ENOENT);
    if (source->kind == Kind::Folder) return Status::AsIfSystem(EPERM);
    Result<View> target = ViewOf(name, Last::Itself);
    if (!target.ok()) return target.TakeStatus();
    if (target->kind != Kind::Missing) return Status::AsIfSystem(EEXIST);
    if (Status folder = NeedFolder(name); !folder.ok()) return folder;
    Result<std::shared_ptr<OverlayContent>> content = ContentOf(existing, *source);
    if (!content.ok()) return content.TakeStatus();
    ++(*content)->facts.links;
    if (source->node == nullptr) Put(existing, Node{Kind::Regular, *content, {}});
    Put(name, Node{Kind::Regular, *content, {}});
    if (touched != nullptr) *touched = Touched{name, existing};
    return Status();
}

Status OverlayLayer::Remove(const Path& path, Touched* touched) {
    Result<View> view = ViewOf(path, Last::Itself);
    if (!view.ok()) return view.TakeStatus();
    if (view->kind == Kind::Missing) return Status::AsIfSystem(ENOENT);
    if (view->kind == Kind::Folder) return Status::AsIfSystem(EISDIR);
    DropName(*view);
    Put(path, Node{});
    if (touched != nullptr) *touched = Touched{path, {}};
    return Status();
}

Status OverlayLayer::MakeFolder(const Path& path, bool, Touched* touched) {
    Result<View> view = ViewOf(path, Last::Itself);
    if (!view.ok()) return view.TakeStatus();
    if (view->kind != Kind::Missing) return Status::AsIfSystem(EEXIST);
    if (Status folder = NeedFolder(path); !folder.ok()) return folder;
    Put(path, Node{Kind::Folder, nullptr, {}});
    if (touched != nullptr) *touched = Touched{path, {}};
    return Status();
}

Status OverlayLayer::RemoveFolder(const Path& path, Touched* touched) {
    Result<View> view = ViewOf(path, Last::Itself);
    if (!view.ok()) return view.TakeStatus();
    if (view->kind == Kind::Missing) return Status::AsIfSystem(ENOENT);
    if (view->kind != Kind::Folder) return Status::AsIfSystem(ENOTDIR);
    Result<std::vector<Entry>> entries = List(path);
    if (!entries.ok()) return entries.TakeStatus();
    if (!entries->empty()) return Status::AsIfSystem(ENOTEMPTY);
    Put(path, Node{});
    if (touched != nullptr) *touched = Touched{path, {}};
    return Status();
}

// Nothing reaches the disk; a folder that is not there cannot be flushed.
Status OverlayLayer::FlushFolder(const Path& folder) {
    Result<View> view = ViewOf(folder, Last::Follow);
    if (!view.ok()) return view.TakeStatus();
    if (view->kind == Kind::Missing) return Status::AsIfSystem(ENOENT);
    return Status();
}

}  // namespace zel::toolkit
