// An object member created on first use: the first access creates it (running its
// creation code then), as the runtime does for members declared "As New".
#pragma once

#include <optional>

namespace tivaro::forms {

template <class T>
class AutoNew {
public:
    T& operator*() { return Get(); }
    T* operator->() { return &Get(); }
    bool Exists() const { return value_.has_value(); }
    void Reset() { value_.reset(); }

private:
    T& Get() {
        if (!value_) value_.emplace();
        return *value_;
    }
    std::optional<T> value_;
};

}  // namespace tivaro::forms
