#pragma once
// An owning reference to a COM object (Direct3D 9, WIC): released once, when the holder goes.
// Needs no Windows header: it only calls the object's Release.

#include <utility>

namespace platform {

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T* adopted) : object(adopted) {}
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            object = std::exchange(other.object, nullptr);
        }
        return *this;
    }

    void Reset() {
        if (object != nullptr) {
            std::exchange(object, nullptr)->Release();
        }
    }
    // For the functions that hand out a new reference through a T**.
    T** Receive() {
        Reset();
        return &object;
    }
    T* Get() const { return object; }
    T* operator->() const { return object; }
    explicit operator bool() const { return object != nullptr; }

private:
    T* object = nullptr;
};

}  // namespace platform
