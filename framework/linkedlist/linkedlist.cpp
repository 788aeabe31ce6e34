#include "framework/linkedlist/linkedlist.h"

namespace fw {

TLink::~TLink() {
    // Let go of the chain of successors one by one rather than recursively,
    // so a long chain (a list of any length) cannot exhaust the stack.
    Ref<TLink> next = std::move(next_);
    while (next && next->RefCount() == 1) {
        Ref<TLink> after = std::move(next->next_);
        next = std::move(after);
    }
}

Ref<TLink> TLink::NextLink() const {
    return next_ && !next_->sentinel_ ? next_ : nullptr;
}

Ref<TLink> TLink::PrevLink() const {
    return prev_ && !prev_->sentinel_ ? Ref<TLink>(prev_) : nullptr;
}

Ref<Object> TListEnum::NextObject() {
    if (!HasNext()) return nullptr;
    Ref<Object> value = link_->value_;
    link_ = link_->next_;
    // Links and values lie wherever they were allocated, so a long pass
    // spends most of its time waiting for memory. Asking now for the link
    // after the next and for the next value lets the caller's work on this
    // value hide that wait.
    if (const TLink* next = link_.get()) {
        __builtin_prefetch(next->next_.get());
        __builtin_prefetch(next->value_.get());
    }
    return value;
}

TList::TList() : head_(New<TLink>()) {
    head_->sentinel_ = true;
    head_->next_ = head_;
    head_->prev_ = head_.get();
}

TList::~TList() {
    // Take the links apart from the front: each loses its value, its
    // neighbours and so its place in the circle, and goes unless a pass still
    // stands on it (that pass then finds its end).
    Ref<TLink> link = std::move(head_->next_);
    head_->prev_ = nullptr;
    while (link && link != head_) {
        Ref<TLink> next = std::move(link->next_);
        link->prev_ = nullptr;
        link->value_ = nullptr;
        link = std::move(next);
    }
}

Ref<TLink> TList::AddLast(Ref<Object> value) {
    Ref<TLink> link = New<TLink>();
    link->value_ = std::move(value);
    TLink* last = head_->prev_;
    link->next_ = head_;
    link->prev_ = last;
    last->next_ = link;
    head_->prev_ = link.get();
    ++count_;
    return link;
}

Ref<TLink> TList::FindLink(const Ref<Object>& value) const {
    for (TLink* link = head_->next_.get(); link != head_.get(); link = link->next_.get()) {
        const Object* held = link->value_.get();
        if (held ? value && held->Compare(value.get()) == 0 : !value) return Ref<TLink>(link);
    }
    return nullptr;
}

int TList::Remove(const Ref<Object>& value) {
    Ref<TLink> link = FindLink(value);  // keeps the link alive while it is unlinked
    if (!link) return 0;
    link->prev_->next_ = link->next_;
    link->next_->prev_ = link->prev_;
    link->prev_ = nullptr;
    --count_;
    // The list is whole again before the value goes, whatever its release does.
    link->value_ = nullptr;
    return 1;
}

}  // namespace fw
