// TList: a circular doubly linked list of counted object references.
#pragma once

#include "framework/runtime/object.h"

namespace fw {

class TList;
class TListEnum;

// One link of a list: a value, its successor and its predecessor. A link
// holds its successor counted and its predecessor plainly, so a chain of
// links is owned from the list's head; the list breaks the circle when it goes.
class TLink : public Object {
public:
    TLink() = default;
    ~TLink() override;

    // The value held, or null once the link has been removed.
    Ref<Object> Value() const { return value_; }
    // The neighbouring links, or null at either end of the list (and, for the
    // predecessor, once the link has been removed).
    Ref<TLink> NextLink() const;
    Ref<TLink> PrevLink() const;

private:
    friend class TList;
    friend class TListEnum;

    Ref<Object> value_;
    // A removed link keeps its successor, so a pass standing on it goes on.
    Ref<TLink> next_;
    TLink* prev_ = nullptr;
    bool sentinel_ = false;
};

// A pass over a list in order. It stands on the link whose value it hands out
// next and moves on before handing it out, so whatever is done with that
// value (even removing it from the list) does not disturb the pass.
class TListEnum {
public:
    explicit TListEnum(Ref<TLink> first) : link_(std::move(first)) {}

    // Whether the pass stands on a link with a value to hand out (a link
    // removed while the pass stands on it hands out null).
    bool HasNext() const { return link_ && !link_->sentinel_; }
    // The value of the link the pass stands on; the pass moves to that link's
    // successor first. Null once the pass is at its end.
    Ref<Object> NextObject();

private:
    Ref<TLink> link_;
};

class TList : public Object {
public:
    TList();
    ~TList() override;

    // Appends a new link holding `value` at the end, in constant time.
    Ref<TLink> AddLast(Ref<Object> value);
    // Unlinks the first link from the front whose value Compares equal (0)
    // with `value`, clears its value and returns 1; 0, with nothing changed,
    // when no link matches.
    int Remove(const Ref<Object>& value);
    // The first link from the front whose value Compares equal with `value`,
    // or null. A null value matches only a link holding null.
    Ref<TLink> FindLink(const Ref<Object>& value) const;
    // A pass standing at the first link.
    TListEnum ObjectEnumerator() const { return TListEnum(head_->next_); }
    int Count() const { return count_; }
    bool IsEmpty() const { return count_ == 0; }

private:
    Ref<TLink> head_;  // the sentinel: an empty list is it linked to itself
    int count_ = 0;
};

}  // namespace fw
