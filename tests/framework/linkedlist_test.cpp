#include <gtest/gtest.h>

#include <vector>

#include "framework/linkedlist/linkedlist.h"

namespace fw {
namespace {

// A value that counts its own destruction.
class Probe : public Object {
public:
    Probe(int id, int* freed) : id(id), freed_(freed) {}
    ~Probe() override { ++*freed_; }
    const int id;

private:
    int* freed_;
};

// A value equal to any other Key of the same number.
class Key : public Object {
public:
    explicit Key(int n) : n(n) {}
    int Compare(const Object* other) const override {
        auto* key = dynamic_cast<const Key*>(other);
        return key && key->n == n ? 0 : Object::Compare(other);
    }
    const int n;
};

int IdOf(const Ref<Object>& value) {
    auto probe = Cast<Probe>(value);
    return probe ? probe->id : -1;  // -1 for null
}

// The ids of the values in list order, through a plain pass.
std::vector<int> Ids(const TList& list) {
    std::vector<int> ids;
    for (TListEnum e = list.ObjectEnumerator(); e.HasNext();) ids.push_back(IdOf(e.NextObject()));
    return ids;
}

struct Fixture : testing::Test {
    int freed = 0;
    Ref<TList> list = New<TList>();
    std::vector<Ref<Probe>> probes;

    // Appends values 0 .. n - 1, kept in `probes` as well.
    void Fill(int n) {
        for (int i = 0; i < n; ++i) {
            probes.push_back(New<Probe>(i, &freed));
            list->AddLast(probes.back());
        }
    }
};

using TListBasics = Fixture;

TEST_F(TListBasics, NewListIsEmpty) {
    EXPECT_TRUE(list->IsEmpty());
    EXPECT_EQ(list->Count(), 0);
    TListEnum e = list->ObjectEnumerator();
    EXPECT_FALSE(e.HasNext());
    EXPECT_EQ(e.NextObject(), nullptr);
    EXPECT_EQ(list->FindLink(New<Probe>(0, &freed)), nullptr);
}

TEST_F(TListBasics, AddLastAppendsInOrderAndReturnsTheLink) {
    Fill(3);
    Ref<Probe> extra = New<Probe>(3, &freed);
    Ref<TLink> link = list->AddLast(extra);
    EXPECT_EQ(link->Value().get(), extra.get());
    EXPECT_EQ(Ids(*list), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(list->Count(), 4);
    EXPECT_FALSE(list->IsEmpty());

    // The links run from the first to the last; the sentinel is never handed out.
    EXPECT_EQ(link->NextLink(), nullptr);
    Ref<TLink> first = list->FindLink(probes[0]);
    EXPECT_EQ(first->PrevLink(), nullptr);
    EXPECT_EQ(IdOf(first->NextLink()->Value()), 1);
    EXPECT_EQ(IdOf(link->PrevLink()->Value()), 2);
}

TEST_F(TListBasics, HoldsACountedReferenceToEachValue) {
    Ref<Probe> value = New<Probe>(7, &freed);
    list->AddLast(value);
    EXPECT_EQ(value->RefCount(), 2);
    Probe* raw = value.get();
    value = nullptr;
    EXPECT_EQ(freed, 0);  // the list keeps it alive
    EXPECT_EQ(raw->RefCount(), 1);
    EXPECT_EQ(Ids(*list), (std::vector<int>{7}));
}

TEST_F(TListBasics, NullValuesArePassedThrough) {
    Fill(1);
    list->AddLast(nullptr);
    EXPECT_EQ(Ids(*list), (std::vector<int>{0, -1}));
    EXPECT_EQ(list->Remove(nullptr), 1);
    EXPECT_EQ(Ids(*list), (std::vector<int>{0}));
    EXPECT_EQ(list->Remove(nullptr), 0);
}

using TListRemove = Fixture;

TEST_F(TListRemove, UnlinksOnlyTheFirstOfTwoLinksWithTheSameValue) {
    Fill(3);
    Ref<TLink> firstLink = list->FindLink(probes[1]);
    Ref<TLink> secondLink = list->AddLast(probes[1]);
    EXPECT_EQ(Ids(*list), (std::vector<int>{0, 1, 2, 1}));

    EXPECT_EQ(list->Remove(probes[1]), 1);
    EXPECT_EQ(Ids(*list), (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(firstLink->Value(), nullptr);  // cleared
    EXPECT_EQ(secondLink->Value().get(), probes[1].get());
    EXPECT_EQ(list->FindLink(probes[1]), secondLink);
    EXPECT_EQ(list->Count(), 3);
}

TEST_F(TListRemove, ValueNotInTheListReturnsZeroAndChangesNothing) {
    Fill(3);
    Ref<Probe> stranger = New<Probe>(9, &freed);
    EXPECT_EQ(list->Remove(stranger), 0);
    EXPECT_EQ(list->Remove(nullptr), 0);
    EXPECT_EQ(Ids(*list), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(list->Count(), 3);
    EXPECT_EQ(stranger->RefCount(), 1);

    Ref<TList> empty = New<TList>();
    EXPECT_EQ(empty->Remove(stranger), 0);
    EXPECT_TRUE(empty->IsEmpty());
}

TEST_F(TListRemove, KeepsTheOrderOfTheOthersAtEveryPosition) {
    Fill(4);
    EXPECT_EQ(list->Remove(probes[3]), 1);  // last
    EXPECT_EQ(Ids(*list), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(list->Remove(probes[0]), 1);  // first
    EXPECT_EQ(Ids(*list), (std::vector<int>{1, 2}));
    list->AddLast(probes[3]);  // appending after removals still lands at the end
    EXPECT_EQ(Ids(*list), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(list->Remove(probes[2]), 1);  // middle
    EXPECT_EQ(Ids(*list), (std::vector<int>{1, 3}));
    EXPECT_EQ(list->Remove(probes[2]), 0);  // already gone
    EXPECT_EQ(list->Count(), 2);
}

TEST_F(TListRemove, ReleasesTheListsReference) {
    Fill(2);
    Probe* raw = probes[0].get();
    EXPECT_EQ(raw->RefCount(), 2);
    EXPECT_EQ(list->Remove(probes[0]), 1);
    EXPECT_EQ(raw->RefCount(), 1);
    probes[0] = nullptr;  // dropped elsewhere: now it is freed
    EXPECT_EQ(freed, 1);
}

TEST(TListRemoveByCompare, UsesTheValuesCompare) {
    Ref<TList> list = New<TList>();
    Ref<Key> a = New<Key>(1), b = New<Key>(2), c = New<Key>(1);
    list->AddLast(a);
    list->AddLast(b);
    list->AddLast(c);
    // A different object that compares equal finds the first matching link.
    EXPECT_EQ(list->FindLink(New<Key>(1))->Value().get(), a.get());
    EXPECT_EQ(list->Remove(New<Key>(1)), 1);
    EXPECT_EQ(list->FindLink(New<Key>(1))->Value().get(), c.get());
    EXPECT_EQ(list->Remove(New<Key>(3)), 0);
    EXPECT_EQ(list->Count(), 2);
}

using TListPass = Fixture;

TEST_F(TListPass, RemovingTheValueInHandGoesOnAtTheNext) {
    Fill(5);
    std::vector<int> seen;
    for (TListEnum e = list->ObjectEnumerator(); e.HasNext();) {
        Ref<Object> value = e.NextObject();
        seen.push_back(IdOf(value));
        if (IdOf(value) == 1 || IdOf(value) == 2) list->Remove(value);
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(Ids(*list), (std::vector<int>{0, 3, 4}));
}

TEST_F(TListPass, RemovingEveryValueInHandEmptiesTheList) {
    Fill(6);
    probes.clear();  // the list holds the only references
    std::vector<int> seen;
    for (TListEnum e = list->ObjectEnumerator(); e.HasNext();) {
        Ref<Object> value = e.NextObject();
        seen.push_back(IdOf(value));
        list->Remove(value);
        int before = freed;
        value = nullptr;
        EXPECT_EQ(freed, before + 1);  // freed at once, mid-pass
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_TRUE(list->IsEmpty());
    EXPECT_EQ(freed, 6);
}

TEST_F(TListPass, RemovingTheOnlyValueEndsThePass) {
    Fill(1);
    int rounds = 0;
    for (TListEnum e = list->ObjectEnumerator(); e.HasNext();) {
        EXPECT_EQ(list->Remove(e.NextObject()), 1);
        ++rounds;
    }
    EXPECT_EQ(rounds, 1);
    EXPECT_TRUE(list->IsEmpty());
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(Ids(*list), std::vector<int>{});
}

TEST_F(TListPass, MeetsAValueAppendedDuringThePass) {
    Fill(3);
    std::vector<int> seen;
    for (TListEnum e = list->ObjectEnumerator(); e.HasNext();) {
        int id = IdOf(e.NextObject());
        seen.push_back(id);
        if (id == 0) list->AddLast(New<Probe>(10, &freed));
        if (id == 10) list->AddLast(New<Probe>(11, &freed));  // not while on the last value
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 10}));
    EXPECT_EQ(Ids(*list), (std::vector<int>{0, 1, 2, 10, 11}));
}

TEST_F(TListPass, RemovingAndAppendingWhileOnTheLastValue) {
    // The pass already stands on the sentinel: the new value waits for the next pass.
    Fill(2);
    std::vector<int> seen;
    for (TListEnum e = list->ObjectEnumerator(); e.HasNext();) {
        Ref<Object> value = e.NextObject();
        seen.push_back(IdOf(value));
        if (IdOf(value) == 1) {
            list->Remove(value);
            list->AddLast(New<Probe>(5, &freed));
        }
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1}));
    EXPECT_EQ(Ids(*list), (std::vector<int>{0, 5}));
}

TEST_F(TListPass, RemovingTheValuesAheadOfThePassIsSafe) {
    // The pass stands on the link ahead; removing it (and the one after)
    // leaves the pass on removed links, which hand out null and lead on.
    Fill(5);
    probes.clear();
    std::vector<int> seen;
    for (TListEnum e = list->ObjectEnumerator(); e.HasNext();) {
        Ref<Object> value = e.NextObject();
        seen.push_back(IdOf(value));
        if (IdOf(value) == 0) {
            list->Remove(list->FindLink(value)->NextLink()->Value());  // 1, where the pass stands
            list->Remove(list->FindLink(value)->NextLink()->Value());  // 2
        }
    }
    EXPECT_EQ(seen, (std::vector<int>{0, -1, -1, 3, 4}));
    EXPECT_EQ(Ids(*list), (std::vector<int>{0, 3, 4}));
    EXPECT_EQ(freed, 2);
}

TEST_F(TListPass, APassOutlivingItsListEndsWithoutTouchingFreedLinks) {
    Fill(3);
    probes.clear();
    TListEnum e = list->ObjectEnumerator();
    EXPECT_EQ(IdOf(e.NextObject()), 0);
    list = nullptr;
    EXPECT_EQ(freed, 3);  // the list's references went with it
    int steps = 0;
    while (e.HasNext()) {
        EXPECT_EQ(e.NextObject(), nullptr);
        ++steps;
    }
    EXPECT_LE(steps, 1);
}

TEST(TListLifetime, DestroyingAListFreesEveryLinkAndValue) {
    int freed = 0;
    {
        Ref<TList> list = New<TList>();
        for (int i = 0; i < 100; ++i) list->AddLast(New<Probe>(i, &freed));
        EXPECT_EQ(freed, 0);
    }
    EXPECT_EQ(freed, 100);
}

TEST(TListLifetime, ALongListGoesWithoutDeepRecursion) {
    int freed = 0;
    {
        Ref<TList> list = New<TList>();
        for (int i = 0; i < 1'000'000; ++i) list->AddLast(New<Probe>(i, &freed));
    }
    EXPECT_EQ(freed, 1'000'000);
}

TEST(TListLifetime, ALongChainOfRemovedLinksHeldByAPassGoesWithoutDeepRecursion) {
    // A pass standing on the first link while every value is removed holds a
    // chain of a million removed links, each holding the next.
    int freed = 0;
    Ref<TList> list = New<TList>();
    for (int i = 0; i < 1'000'000; ++i) list->AddLast(New<Probe>(i, &freed));
    {
        TListEnum e = list->ObjectEnumerator();
        while (!list->IsEmpty()) list->Remove(list->ObjectEnumerator().NextObject());
        EXPECT_EQ(freed, 1'000'000);
        EXPECT_TRUE(e.HasNext());
        EXPECT_EQ(e.NextObject(), nullptr);
    }
    list->AddLast(New<Probe>(0, &freed));
    EXPECT_EQ(Ids(*list), (std::vector<int>{0}));
}

}  // namespace
}  // namespace fw
