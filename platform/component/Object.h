// Reference-counted component objects. An object lives while a reference holds it; the
// last Release deletes it. Objects are used on one thread, but the count is atomic so a
// host may hand references across threads safely.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

namespace platform::component {

struct ClassInfo;

class Object {
public:
    Object() noexcept { live_.fetch_add(1, std::memory_order_relaxed); }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() { live_.fetch_sub(1, std::memory_order_relaxed); }

    // Objects alive in the process: a host may unload the library once this is 0.
    static std::int64_t LiveObjects() noexcept { return live_.load(std::memory_order_relaxed); }

    std::uint32_t AddRef() noexcept { return ++refs_; }
    std::uint32_t Release() noexcept {
        std::uint32_t n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    std::uint32_t RefCount() const noexcept { return refs_; }

    // The class description that dispatch by name and the type library use; null for
    // objects that are not published.
    virtual const ClassInfo* Class() const noexcept { return nullptr; }

private:
    std::atomic<std::uint32_t> refs_{0};
    static inline std::atomic<std::int64_t> live_{0};
};

// An owning reference to an Object (or a class derived from it).
template <typename T> class Ref {
public:
    Ref() noexcept = default;
    Ref(std::nullptr_t) noexcept {}
    explicit Ref(T* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    Ref(const Ref& o) noexcept : Ref(o.p_) {}
    Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <typename U> Ref(const Ref<U>& o) noexcept : Ref(static_cast<T*>(o.get())) {}
    ~Ref() {
        if (p_) p_->Release();
    }
    Ref& operator=(Ref o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    bool operator==(const Ref& o) const noexcept { return p_ == o.p_; }

    // Gives up ownership without releasing (for handing a counted pointer to C).
    T* Detach() noexcept { return std::exchange(p_, nullptr); }
    // Takes over a pointer whose count already includes this reference.
    static Ref Adopt(T* p) noexcept {
        Ref r;
        r.p_ = p;
        return r;
    }

private:
    T* p_ = nullptr;
};

template <typename T, typename... Args> Ref<T> MakeRef(Args&&... args) {
    return Ref<T>(new T(std::forward<Args>(args)...));
}

} // namespace platform::component
