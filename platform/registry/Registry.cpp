#include "platform/registry/Registry.h"

#include "platform/base/Codepage.h"
#include "platform/registry/DurableFile.h"
#include "platform/registry/RegFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace platform::registry {
namespace {

namespace files = ::platform::detail;

using detail::Hive;
using detail::Key;
using detail::Value;

// A hive file larger than this is certainly not ours; it is read this far and not rewritten.
constexpr std::size_t kMaxHiveBytes = std::size_t{256} << 20;

constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE |
                                WRITE_DAC | WRITE_OWNER;

struct HiveInfo {
    HKEY id;
    const char* rootName;
    const char* fileName;
    const char* systemFolder; // null: the user's configuration folder
    std::uint32_t newMode;
};

constexpr HiveInfo kHives[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "classes.reg", "/etc/Brevant", 0644},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "user.reg", nullptr, 0600},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "machine.reg", "/etc/Brevant", 0644},
};

int HiveIndex(HKEY h) {
    for (int i = 0; i < 3; ++i)
        if (kHives[i].id == h) return i;
    return -1;
}

std::string UserConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/.config";
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return std::string(pw->pw_dir) + "/.config";
    return "/tmp";
}

std::string PathOf(int hive) {
    const HiveInfo& h = kHives[hive];
    const char* dir = std::getenv("BREVANT_REGISTRY_DIR");
    if (dir && *dir) return std::string(dir) + "/" + h.fileName;
    if (h.systemFolder) return std::string(h.systemFolder) + "/" + h.fileName;
    return UserConfigFolder() + "/Brevant/" + h.fileName;
}

struct Cached {
    bool loaded = false;
    bool racy = false; // changed too recently for its stamp to tell a later change apart
    std::string path;
    files::FileStamp stamp;
    Hive hive;
    std::string bytes; // the file's bytes that `hive` was read from (or written as)
};

struct OpenKey {
    int hive;
    std::vector<std::string> path;
    REGSAM access; // as asked; MAXIMUM_ALLOWED is settled at each write
};

struct State {
    std::mutex m;
    Cached hives[3];
    std::unordered_map<HKEY, OpenKey> handles;
    HKEY next = 0x1000;
};

// Never destroyed, so that objects saving settings from their own destructors at exit still
// find it.
State& S() {
    static State* s = new State;
    return *s;
}

// The hive as the file holds it now; re-read only when the file changed.
Cached& Load(int hive) {
    Cached& c = S().hives[hive];
    std::string path = PathOf(hive);
    files::FileStamp now = files::StampOf(path);
    if (c.loaded && !c.racy && c.path == path && c.stamp == now) return c;
    const bool had = c.loaded && c.path == path && c.stamp.exists;
    c.loaded = true;
    c.racy = false;
    c.path = path;
    files::ReadResult r = files::ReadCapped(path, kMaxHiveBytes);
    if (r.error == ENOENT) {
        c.hive = Hive{};
        c.hive.root.name = kHives[hive].rootName;
        c.bytes.clear();
        c.stamp = {};
        return c;
    }
    if (r.error != 0) {
        c.hive = Hive{};
        c.hive.root.name = kHives[hive].rootName;
        c.hive.Damage(std::string("it cannot be read (") + std::strerror(r.error) + ")");
        c.bytes.clear();
        c.stamp = now;
        return c;
    }
    // A version too new to trust by its stamp (typically the one just written) is usually
    // unchanged: comparing its bytes is much cheaper than parsing them again.
    if (!had || r.truncated || !c.hive.clean || r.bytes != c.bytes) {
        c.hive = detail::ParseRegText(r.bytes, kHives[hive].rootName);
        if (r.truncated) c.hive.Damage("it is larger than any hive this program writes");
        // A damaged file (perhaps a huge one) is not kept twice.
        if (c.hive.clean) c.bytes = std::move(r.bytes);
        else c.bytes.clear();
    }
    c.stamp = r.stamp;
    c.racy = files::TooNewToTrust(c.stamp);
    return c;
}

bool ValidName(std::string_view n) { return n.find_first_of(std::string_view("\r\n\0", 3)) == n.npos; }

// Names, like text data, are UTF-8; an ANSI name is taken as Windows-1252, so that it can
// never put bytes into the hive file that would make the whole file unreadable.
std::string NameOf(std::string_view n) { return IsValidUtf8(n) ? std::string(n) : AnsiToUtf8(n); }

// Splits a key path; false for a name no hive file can hold.
bool AppendPath(std::vector<std::string>& path, std::string_view sub) {
    std::size_t i = 0;
    while (i <= sub.size()) {
        std::size_t j = sub.find('\\', i);
        if (j == std::string_view::npos) j = sub.size();
        std::string_view part = sub.substr(i, j - i);
        if (!part.empty()) {
            if (!ValidName(part)) return false;
            path.push_back(NameOf(part));
        }
        i = j + 1;
    }
    return true;
}

Key* Walk(Key& root, const std::vector<std::string>& path, std::size_t count) {
    Key* k = &root;
    for (std::size_t i = 0; i < count && k; ++i) k = k->Child(path[i]);
    return k;
}

Key* Walk(Key& root, const std::vector<std::string>& path) { return Walk(root, path, path.size()); }

// A hive or an open key as (hive, path, access, is-handle).
struct Target {
    int hive = -1;
    std::vector<std::string> path;
    REGSAM access = MAXIMUM_ALLOWED;
    bool handle = false;
};

LONG Resolve(HKEY key, Target& t) {
    int h = HiveIndex(key);
    if (h >= 0) {
        t.hive = h;
        return ERROR_SUCCESS;
    }
    auto it = S().handles.find(key);
    if (it == S().handles.end()) return ERROR_INVALID_HANDLE;
    t.hive = it->second.hive;
    t.path = it->second.path;
    t.access = it->second.access;
    t.handle = true;
    return ERROR_SUCCESS;
}

bool Allows(REGSAM granted, REGSAM need) {
    return (granted & MAXIMUM_ALLOWED) != 0 || (granted & need) == need;
}

bool MayWrite(int hive) { return files::MayReplace(files::FollowLinks(PathOf(hive))); }

LONG FromErrno(int e) {
    if (e == EACCES || e == EPERM || e == EROFS) return ERROR_ACCESS_DENIED;
    if (e == ENOMEM) return ERROR_OUTOFMEMORY;
    return ERROR_WRITE_FAULT;
}

// One locked read-modify-write of a hive. `change` edits the fresh tree and says whether it
// changed anything; only a successful change is written.
LONG Modify(int hive, const std::function<LONG(Key& root, bool& changed)>& change) {
    std::string real = files::FollowLinks(PathOf(hive));
    if (!files::MayReplace(real)) return ERROR_ACCESS_DENIED;
    if (auto slash = real.find_last_of('/'); slash != std::string::npos && slash > 0)
        if (int e = files::MakeFolders(real.substr(0, slash))) return FromErrno(e);
    files::FileLock lock;
    if (int e = lock.Acquire(real + ".lock")) return FromErrno(e);
    Cached& c = Load(hive);
    if (!c.hive.clean) {
        files::WarnOnce("reg:" + real + ":" + std::to_string(c.stamp.ino) + ":" + std::to_string(c.stamp.mtimeNs),
                         "registry: " + real + " is not left as this program writes it (" + c.hive.problem +
                         "); not rewriting it, so nothing stored there is lost");
        return ERROR_REGISTRY_CORRUPT;
    }
    bool changed = false;
    LONG status;
    std::string text;
    try {
        status = change(c.hive.root, changed);
        if (status == ERROR_SUCCESS && changed) text = detail::WriteRegText(c.hive.root, kHives[hive].rootName);
    } catch (const std::bad_alloc&) {
        c.loaded = false;
        return ERROR_OUTOFMEMORY;
    }
    if (status != ERROR_SUCCESS && changed) {
        c.loaded = false; // a change given up half-way must not linger in the cached tree
        return status;
    }
    if (status != ERROR_SUCCESS || !changed) return status;
    // Changes that cancel out (a transaction setting a value and then its old value back)
    // leave the file as it is.
    if (c.stamp.exists && text == c.bytes) return ERROR_SUCCESS;
    if (int e = files::ReplaceDurably(real, real + ".tmp", text, kHives[hive].newMode)) {
        c.loaded = false; // the tree in memory no longer matches the file
        return FromErrno(e);
    }
    c.bytes = std::move(text);
    c.stamp = files::StampOf(c.path);
    c.racy = files::TooNewToTrust(c.stamp);
    return ERROR_SUCCESS;
}

// A value as RegSetValueEx stores it: text cut at its first NUL and taken as Windows-1252 when
// it is not UTF-8; other types byte for byte.
Value MakeValue(std::string_view name, DWORD type, const std::uint8_t* data, DWORD size) {
    Value v;
    v.name = NameOf(name);
    v.type = type;
    if (size > 0) v.data.assign(reinterpret_cast<const char*>(data), size);
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        if (auto nul = v.data.find('\0'); nul != std::string::npos) v.data.resize(nul);
        if (!IsValidUtf8(v.data)) v.data = AnsiToUtf8(v.data);
    }
    return v;
}

// Sets the value in the key (an existing one keeps its spelling); whether anything changed.
bool Put(Key& k, Value v) {
    if (Value* old = k.FindValue(v.name)) {
        if (old->type == v.type && old->data == v.data && !old->raw) return false;
        old->type = v.type;
        old->data = std::move(v.data);
        old->raw = false;
    } else {
        k.values.push_back(std::move(v));
    }
    return true;
}

// Removes the value; whether there was one.
bool Remove(Key& k, std::string_view name) {
    for (auto it = k.values.begin(); it != k.values.end(); ++it)
        if (detail::SameName(it->name, name)) {
            k.values.erase(it);
            return true;
        }
    return false;
}

// The key at `path` below `k`, created with its parents when missing.
Key& EnsurePath(Key& k, const std::vector<std::string>& path, bool& created) {
    Key* at = &k;
    for (const std::string& part : path) {
        Key* next = at->Child(part);
        if (!next) {
            next = &at->Ensure(part);
            created = true;
        }
        at = next;
    }
    return *at;
}

HKEY NewHandle(int hive, std::vector<std::string> path, REGSAM access) {
    State& s = S();
    HKEY h;
    do {
        h = s.next++;
        if (s.next >= 0x70000000u) s.next = 0x1000;
    } while (s.handles.count(h) != 0);
    s.handles.emplace(h, OpenKey{hive, std::move(path), access});
    return h;
}

std::string DataOf(const Value& v) {
    if ((v.type == REG_SZ || v.type == REG_EXPAND_SZ) && !v.raw) return v.data + '\0';
    return v.data;
}

LONG OpenLocked(HKEY key, std::string_view subKey, REGSAM access, HKEY* result) {
    Target t;
    if (LONG st = Resolve(key, t)) return st;
    std::size_t baseDepth = t.path.size();
    if (!AppendPath(t.path, subKey)) return ERROR_FILE_NOT_FOUND;
    Cached& c = Load(t.hive);
    if (t.handle && !Walk(c.hive.root, t.path, baseDepth)) return ERROR_KEY_DELETED;
    if (!Walk(c.hive.root, t.path)) return ERROR_FILE_NOT_FOUND;
    if ((access & MAXIMUM_ALLOWED) == 0 && (access & kWriteRights) != 0 && !MayWrite(t.hive))
        return ERROR_ACCESS_DENIED;
    *result = NewHandle(t.hive, std::move(t.path), access);
    return ERROR_SUCCESS;
}

} // namespace

LONG RegOpenKeyEx(HKEY key, std::string_view subKey, DWORD, REGSAM access, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = 0;
    std::lock_guard<std::mutex> g(S().m);
    return OpenLocked(key, subKey, access, result);
}

LONG RegOpenKey(HKEY key, std::string_view subKey, HKEY* result) {
    return RegOpenKeyEx(key, subKey, 0, MAXIMUM_ALLOWED, result);
}

LONG RegCreateKeyEx(HKEY key, std::string_view subKey, REGSAM access, HKEY* result, DWORD* disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = 0;
    std::lock_guard<std::mutex> g(S().m);
    Target t;
    if (LONG st = Resolve(key, t)) return st;
    std::size_t baseDepth = t.path.size();
    if (!AppendPath(t.path, subKey)) return ERROR_INVALID_PARAMETER;
    {
        Cached& c = Load(t.hive);
        if (t.handle && !Walk(c.hive.root, t.path, baseDepth)) return ERROR_KEY_DELETED;
        if (Walk(c.hive.root, t.path)) {
            LONG st = OpenLocked(key, subKey, access, result);
            if (st == ERROR_SUCCESS && disposition) *disposition = REG_OPENED_EXISTING_KEY;
            return st;
        }
    }
    bool created = false;
    LONG st = Modify(t.hive, [&](Key& root, bool& changed) -> LONG {
        if (t.handle && !Walk(root, t.path, baseDepth)) return ERROR_KEY_DELETED;
        EnsurePath(root, t.path, changed);
        created = changed;
        return ERROR_SUCCESS;
    });
    if (st != ERROR_SUCCESS) return st;
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewHandle(t.hive, std::move(t.path), access);
    return ERROR_SUCCESS;
}

LONG RegCreateKey(HKEY key, std::string_view subKey, HKEY* result) {
    return RegCreateKeyEx(key, subKey, KEY_ALL_ACCESS, result, nullptr);
}

LONG RegCloseKey(HKEY key) {
    if (HiveIndex(key) >= 0) return ERROR_SUCCESS;
    std::lock_guard<std::mutex> g(S().m);
    return S().handles.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueEx(HKEY key, std::string_view valueNameIn, DWORD* type, std::uint8_t* data, DWORD* size) {
    const std::string valueName = NameOf(valueNameIn);
    std::lock_guard<std::mutex> g(S().m);
    Target t;
    if (LONG st = Resolve(key, t)) return st;
    if (!Allows(t.access, KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    if (data && !size) return ERROR_INVALID_PARAMETER;
    Cached& c = Load(t.hive);
    Key* k = Walk(c.hive.root, t.path);
    if (!k) return ERROR_KEY_DELETED;
    const Value* v = k->FindValue(valueName);
    if (!v) return ERROR_FILE_NOT_FOUND;
    bool text = (v->type == REG_SZ || v->type == REG_EXPAND_SZ) && !v->raw;
    auto need = static_cast<DWORD>(v->data.size() + (text ? 1 : 0));
    if (type) *type = v->type;
    if (!data) {
        if (size) *size = need;
        return ERROR_SUCCESS;
    }
    if (*size < need) {
        *size = need;
        return ERROR_MORE_DATA;
    }
    if (!v->data.empty()) std::memcpy(data, v->data.data(), v->data.size());
    if (text) data[v->data.size()] = 0;
    *size = need;
    return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, std::string_view valueNameIn, DWORD type, const std::uint8_t* data, DWORD size) {
    if (!data && size > 0) return ERROR_INVALID_PARAMETER;
    if (!ValidName(valueNameIn)) return ERROR_INVALID_PARAMETER;
    Value v = MakeValue(valueNameIn, type, data, size);
    std::lock_guard<std::mutex> g(S().m);
    Target t;
    if (LONG st = Resolve(key, t)) return st;
    if (!Allows(t.access, KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    return Modify(t.hive, [&](Key& root, bool& changed) -> LONG {
        Key* k = Walk(root, t.path);
        if (!k) return ERROR_KEY_DELETED;
        changed = Put(*k, std::move(v));
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValue(HKEY key, std::string_view valueNameIn) {
    const std::string valueName = NameOf(valueNameIn);
    std::lock_guard<std::mutex> g(S().m);
    Target t;
    if (LONG st = Resolve(key, t)) return st;
    if (!Allows(t.access, KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    {
        // Nothing to delete needs no lock and no write right.
        Cached& c = Load(t.hive);
        Key* k = Walk(c.hive.root, t.path);
        if (!k) return ERROR_KEY_DELETED;
        if (!k->FindValue(valueName)) return ERROR_FILE_NOT_FOUND;
    }
    return Modify(t.hive, [&](Key& root, bool& changed) -> LONG {
        Key* k = Walk(root, t.path);
        if (!k) return ERROR_KEY_DELETED;
        changed = Remove(*k, valueName);
        return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

namespace {

LONG DeleteKey(HKEY key, std::string_view subKey, bool tree) {
    std::lock_guard<std::mutex> g(S().m);
    Target t;
    if (LONG st = Resolve(key, t)) return st;
    std::size_t baseDepth = t.path.size();
    if (!AppendPath(t.path, subKey)) return ERROR_FILE_NOT_FOUND;
    {
        Cached& c = Load(t.hive);
        if (t.handle && !Walk(c.hive.root, t.path, baseDepth)) return ERROR_KEY_DELETED;
        Key* k = Walk(c.hive.root, t.path);
        if (!k) return ERROR_FILE_NOT_FOUND;
        if (!tree && t.path.empty()) return ERROR_ACCESS_DENIED; // a hive itself stays
        if (tree && t.path.size() == baseDepth && k->children.empty() && k->values.empty())
            return ERROR_SUCCESS;
    }
    return Modify(t.hive, [&](Key& root, bool& changed) -> LONG {
        Key* k = Walk(root, t.path);
        if (!k) return ERROR_FILE_NOT_FOUND;
        if (tree && t.path.size() == baseDepth) {
            // RegDeleteTree of the key itself empties it.
            changed = !k->children.empty() || !k->values.empty();
            k->children.clear();
            k->values.clear();
            return ERROR_SUCCESS;
        }
        if (!tree && !k->children.empty()) return ERROR_ACCESS_DENIED;
        Key* parent = Walk(root, t.path, t.path.size() - 1);
        parent->children.erase(detail::Fold(t.path.back()));
        changed = true;
        return ERROR_SUCCESS;
    });
}

} // namespace

LONG RegDeleteKey(HKEY key, std::string_view subKey) { return DeleteKey(key, subKey, false); }

LONG RegDeleteTree(HKEY key, std::string_view subKey) { return DeleteKey(key, subKey, true); }

LONG RegEnumKeyEx(HKEY key, DWORD index, std::string* name) {
    std::lock_guard<std::mutex> g(S().m);
    Target t;
    if (LONG st = Resolve(key, t)) return st;
    if (!Allows(t.access, KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
    Key* k = Walk(Load(t.hive).hive.root, t.path);
    if (!k) return ERROR_KEY_DELETED;
    if (index >= k->children.size()) return ERROR_NO_MORE_ITEMS;
    auto it = k->children.begin();
    std::advance(it, index);
    if (name) *name = it->second->name;
    return ERROR_SUCCESS;
}

LONG RegEnumValue(HKEY key, DWORD index, std::string* name, DWORD* type, std::string* data) {
    std::lock_guard<std::mutex> g(S().m);
    Target t;
    if (LONG st = Resolve(key, t)) return st;
    if (!Allows(t.access, KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    Key* k = Walk(Load(t.hive).hive.root, t.path);
    if (!k) return ERROR_KEY_DELETED;
    if (index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
    const Value& v = k->values[index];
    if (name) *name = v.name;
    if (type) *type = v.type;
    if (data) *data = DataOf(v);
    return ERROR_SUCCESS;
}

void RegTransaction::SetValue(std::string_view subKey, std::string_view valueName, DWORD type,
                              const std::uint8_t* data, DWORD size) {
    if (status_ != ERROR_SUCCESS) return;
    Change c;
    if ((!data && size > 0) || !ValidName(valueName) || !AppendPath(c.path, subKey)) {
        status_ = ERROR_INVALID_PARAMETER;
        changes_.clear();
        return;
    }
    Value v = MakeValue(valueName, type, data, size);
    c.valueName = std::move(v.name);
    c.type = type;
    c.data = std::move(v.data);
    changes_.push_back(std::move(c));
}

void RegTransaction::DeleteValue(std::string_view subKey, std::string_view valueName) {
    if (status_ != ERROR_SUCCESS) return;
    Change c;
    // A name no hive can hold names nothing there is to delete.
    if (!ValidName(valueName) || !AppendPath(c.path, subKey)) return;
    c.valueName = NameOf(valueName);
    changes_.push_back(std::move(c));
}

LONG RegTransaction::Commit() const {
    if (status_ != ERROR_SUCCESS) return status_;
    std::lock_guard<std::mutex> g(S().m);
    Target t;
    if (LONG st = Resolve(key_, t)) return st;
    if (!Allows(t.access, KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    if (changes_.empty()) return ERROR_SUCCESS;
    return Modify(t.hive, [&](Key& root, bool& changed) -> LONG {
        Key* base = Walk(root, t.path);
        if (!base) return ERROR_KEY_DELETED;
        for (const Change& c : changes_) {
            if (c.data) {
                Value v;
                v.name = c.valueName;
                v.type = c.type;
                v.data = *c.data;
                if (Put(EnsurePath(*base, c.path, changed), std::move(v))) changed = true;
            } else if (Key* k = Walk(*base, c.path)) {
                if (Remove(*k, c.valueName)) changed = true;
            }
        }
        return ERROR_SUCCESS;
    });
}

std::string HiveFilePath(HKEY hive) {
    int h = HiveIndex(hive);
    return h < 0 ? std::string() : PathOf(h);
}

bool HiveWritable(HKEY hive) {
    int h = HiveIndex(hive);
    return h >= 0 && MayWrite(h);
}

} // namespace platform::registry
