#pragma once

#include <glib-object.h>
#include <unistd.h>

#include <memory>
#include <utility>

// Owners of the C objects the engine program holds (GObjects, IBus's among
// them, X displays, file descriptors), so that each is released once on
// every path.

// Frees a C object with `Free` (g_free, XCloseDisplay, ...).
template <auto Free> struct FreeWith {
    template <typename T> void operator()(T* p) const { Free(p); }
};
template <typename T, auto Free> using UniqueCPtr = std::unique_ptr<T, FreeWith<Free>>;

// One reference to a GObject, dropped with the holder. IBus makes its
// objects floating, and its calls that are handed a floating object take
// it; an object we keep is sunk first, so that those calls leave it ours.
template <typename T> class GObjectPtr {
public:
    GObjectPtr() = default;
    ~GObjectPtr() { reset(); }
    GObjectPtr(GObjectPtr&& other) noexcept : Object(other.release()) {}
    GObjectPtr& operator=(GObjectPtr&& other) noexcept
    {
        reset(other.release());
        return *this;
    }

    // A full reference that is already ours.
    static GObjectPtr Adopt(T* object)
    {
        GObjectPtr r;
        r.Object = object;
        return r;
    }
    // A new object's floating reference, sunk into ours.
    static GObjectPtr AdoptFloating(T* object)
    {
        if (object) g_object_ref_sink(object);
        return Adopt(object);
    }

    T* get() const noexcept { return Object; }
    // The C calls take the object as it is.
    operator T*() const noexcept { return Object; }
    T* release() noexcept { return std::exchange(Object, nullptr); }
    void reset(T* object = nullptr) noexcept
    {
        if (T* old = std::exchange(Object, object)) g_object_unref(old);
    }

private:
    T* Object = nullptr;
};

// A file descriptor, closed with the holder.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) noexcept : Fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : Fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        reset(other.release());
        return *this;
    }

    int get() const noexcept { return Fd; }
    explicit operator bool() const noexcept { return Fd >= 0; }
    int release() noexcept { return std::exchange(Fd, -1); }
    void reset(int fd = -1) noexcept
    {
        if (int old = std::exchange(Fd, fd); old >= 0) ::close(old);
    }

private:
    int Fd = -1;
};
