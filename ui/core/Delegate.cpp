#include "ui/core/Delegate.h"

#include <algorithm>

namespace SkinUI {

CDelegateBase::~CDelegateBase() = default;

bool CDelegateBase::Equals(const CDelegateBase& other) const
{
    return m_object == other.m_object && m_fn == other.m_fn;
}

void* CDelegateBase::GetObjectW() const
{
    return m_object;
}

const CDelegateBase::FnKey& CDelegateBase::GetFn() const
{
    return m_fn;
}

CDelegateStatic::CDelegateStatic(Fn fn) : CDelegateBase(nullptr, fn), m_pFn(fn)
{
}

CDelegateBase* CDelegateStatic::Copy() const
{
    return new CDelegateStatic(*this);
}

bool CDelegateStatic::operator()(void* param)
{
    return m_pFn(param);
}

CEventSource::CEventSource() : m_firing(0)
{
}

CEventSource::~CEventSource() = default;

CEventSource::operator bool() const
{
    return std::any_of(m_delegates.begin(), m_delegates.end(), [](const auto& d) { return d != nullptr; });
}

void CEventSource::operator+=(const CDelegateBase& d)
{
    for (const auto& existing : m_delegates) {
        if (existing != nullptr && existing->Equals(d)) return;
    }
    m_delegates.emplace_back(d.Copy());
}

void CEventSource::operator+=(FnType fn)
{
    *this += CDelegateStatic(fn);
}

void CEventSource::operator-=(const CDelegateBase& d)
{
    for (auto& existing : m_delegates) {
        if (existing == nullptr || !existing->Equals(d)) continue;
        if (m_firing > 0) {
            // Its call may still be on the stack: drop it after the walk.
            m_pending.push_back(std::move(existing));
        } else {
            existing.reset();
            Compact();
        }
        return;
    }
}

void CEventSource::operator-=(FnType fn)
{
    *this -= CDelegateStatic(fn);
}

bool CEventSource::operator()(void* param)
{
    bool result = true;
    ++m_firing;
    // Handlers added during the walk are called too; the index is checked
    // against the current size because the list may grow.
    for (size_t i = 0; i < m_delegates.size(); i++) {
        CDelegateBase* d = m_delegates[i].get();
        if (d != nullptr && !(*d)(param)) {
            result = false;
            break;
        }
    }
    if (--m_firing == 0) {
        m_pending.clear();
        Compact();
    }
    return result;
}

void CEventSource::Compact()
{
    m_delegates.erase(std::remove(m_delegates.begin(), m_delegates.end(), nullptr), m_delegates.end());
}

} // namespace SkinUI
