#pragma once
// A hook: a plain code pointer with the object it is called for.
// Copyable and comparable, so hooks can be chained and restored.

template <typename Sig>
struct Closure;

template <typename R, typename... Args>
struct Closure<R(Args...)> {
    using Code = R (*)(void* object, Args...);
    Code code = nullptr;
    void* object = nullptr;

    Closure() = default;
    Closure(Code c, void* o) : code(c), object(o) {}

    bool Assigned() const { return code != nullptr; }
    explicit operator bool() const { return code != nullptr; }
    R operator()(Args... args) const { return code(object, args...); }
    friend bool operator==(const Closure& a, const Closure& b) {
        return a.code == b.code && a.object == b.object;
    }
};

// Binds a member function to an object as a Closure:
//   MakeClosure<&Device::OnLevel>(this)
template <auto Method, typename T>
auto MakeClosure(T* obj);

namespace closure_detail {
template <auto Method, typename T, typename R, typename... Args>
Closure<R(Args...)> Bind(T* obj, R (T::*)(Args...)) {
    return Closure<R(Args...)>(
        [](void* o, Args... a) -> R { return (static_cast<T*>(o)->*Method)(a...); }, obj);
}
}  // namespace closure_detail

template <auto Method, typename T>
auto MakeClosure(T* obj) {
    return closure_detail::Bind<Method>(obj, Method);
}
