#pragma once

#include <cstring>
#include <memory>
#include <vector>

namespace SkinUI {

// A callable taking one untyped pointer and answering a bool: the handler
// type of the controls' event sources.
class CDelegateBase {
public:
    // The bytes of the function or member-function pointer, kept so that two
    // delegates of any kind compare by value (a member-function pointer is
    // two words at most).
    struct FnKey {
        unsigned char bytes[2 * sizeof(void*)];
        bool operator==(const FnKey& other) const { return memcmp(bytes, other.bytes, sizeof(bytes)) == 0; }
    };

    CDelegateBase(const CDelegateBase& other) = default;
    CDelegateBase& operator=(const CDelegateBase&) = delete;
    virtual ~CDelegateBase();
    // A heap copy; the caller owns it.
    virtual CDelegateBase* Copy() const = 0;
    virtual bool operator()(void* param) = 0;

    bool Equals(const CDelegateBase& other) const;
    void* GetObjectW() const;
    const FnKey& GetFn() const;

protected:
    template <typename F>
    CDelegateBase(void* object, F fn) : m_object(object), m_fn()
    {
        static_assert(sizeof(F) <= sizeof(FnKey::bytes), "function pointer too large");
        memcpy(m_fn.bytes, &fn, sizeof(F));
    }

private:
    void* m_object;
    FnKey m_fn;
};

// A delegate for a plain function.
class CDelegateStatic : public CDelegateBase {
public:
    typedef bool (*Fn)(void*);

    explicit CDelegateStatic(Fn fn);
    CDelegateBase* Copy() const override;
    bool operator()(void* param) override;

private:
    Fn m_pFn;
};

// A delegate for a member function of T called on an object of class O.
template <class O, class T>
class CDelegate : public CDelegateBase {
public:
    typedef bool (T::*Fn)(void*);

    CDelegate(O* object, Fn fn) : CDelegateBase(object, fn), m_target(object), m_pFn(fn) {}
    CDelegateBase* Copy() const override { return new CDelegate(*this); }
    bool operator()(void* param) override { return (m_target->*m_pFn)(param); }

private:
    O* m_target;
    Fn m_pFn;
};

template <class O, class T>
CDelegate<O, T> MakeDelegate(O* object, bool (T::*fn)(void*))
{
    return CDelegate<O, T>(object, fn);
}

inline CDelegateStatic MakeDelegate(bool (*fn)(void*))
{
    return CDelegateStatic(fn);
}

// An owned list of delegates called in order of addition.
class CEventSource {
public:
    typedef bool (*FnType)(void*);

    CEventSource();
    CEventSource(const CEventSource&) = delete;
    CEventSource& operator=(const CEventSource&) = delete;
    ~CEventSource();

    explicit operator bool() const;
    // Adds a copy unless an equal delegate is already there.
    void operator+=(const CDelegateBase& d);
    void operator+=(FnType fn);
    // Removes the first equal delegate.
    void operator-=(const CDelegateBase& d);
    void operator-=(FnType fn);
    // Calls the delegates in order; the first false stops and is returned.
    bool operator()(void* param);

private:
    void Compact();

    // A handler may add or remove handlers while the list is walked: a
    // removed delegate leaves an empty slot and is kept in m_pending until
    // no walk is running, since its call may still be on the stack.
    std::vector<std::unique_ptr<CDelegateBase>> m_delegates;
    std::vector<std::unique_ptr<CDelegateBase>> m_pending;
    int m_firing;
};

} // namespace SkinUI
