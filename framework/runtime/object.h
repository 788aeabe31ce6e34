// The root object type and counted references to it.
//
// Every framework and program object derives from Object. A Ref<T> holds one
// counted reference; an object is destroyed when its last reference goes.
// Counts are plain integers: objects belong to the one program thread.
#pragma once

#include <cstddef>
#include <string>
#include <type_traits>
#include <utility>

namespace fw {

class Object {
public:
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() = default;

    // The object's address in hexadecimal.
    virtual std::string ToString() const;
    // Identity: 0 for the very same object, otherwise -1 or 1 by address.
    virtual int Compare(const Object* other) const;
    // The root answers every message with the message itself.
    virtual Object* SendMessage(Object* message, Object* context);

    void Retain() const noexcept { ++refs_; }
    void Release() const noexcept {
        if (--refs_ == 0) delete this;
    }
    int RefCount() const noexcept { return refs_; }

private:
    mutable int refs_ = 0;
};

template <class T>
class Ref {
public:
    Ref() noexcept = default;
    Ref(std::nullptr_t) noexcept {}
    Ref(T* p) noexcept : p_(p) { if (p_) p_->Retain(); }
    Ref(const Ref& r) noexcept : Ref(r.p_) {}
    Ref(Ref&& r) noexcept : p_(std::exchange(r.p_, nullptr)) {}
    template <class U>
        requires std::is_convertible_v<U*, T*>
    Ref(const Ref<U>& r) noexcept : Ref(r.get()) {}
    template <class U>
        requires std::is_convertible_v<U*, T*>
    Ref(Ref<U>&& r) noexcept : p_(r.Detach()) {}
    ~Ref() { if (p_) p_->Release(); }

    // The new value is taken before the old one is let go, so assigning an
    // object to a reference that already holds it is safe.
    Ref& operator=(Ref r) noexcept {
        std::swap(p_, r.p_);
        return *this;
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // Hands the reference over to the caller without releasing it.
    T* Detach() noexcept { return std::exchange(p_, nullptr); }

    template <class U>
    bool operator==(const Ref<U>& r) const noexcept { return p_ == r.get(); }
    bool operator==(std::nullptr_t) const noexcept { return p_ == nullptr; }

private:
    T* p_ = nullptr;
};

// A new object of type T, held by the returned reference.
template <class T, class... Args>
Ref<T> New(Args&&... args) {
    return Ref<T>(new T(std::forward<Args>(args)...));
}

// A reference to the same object as T, or null when it is not a T.
template <class T, class U>
Ref<T> Cast(const Ref<U>& r) {
    return Ref<T>(dynamic_cast<T*>(r.get()));
}

}  // namespace fw
