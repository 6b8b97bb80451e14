#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/OMList.h"

namespace {

struct Item {
  explicit Item(int value) : value(value) {}
  virtual ~Item() { ++destroyed; }
  int isEven() { return value % 2 == 0; }
  int equalsArg(OMWord arg) { return value == static_cast<int>(arg); }
  int value;
  static inline int destroyed = 0;
};

std::vector<int> values(OMList<Item>& list)
{
  std::vector<int> result;
  OMListLocator<Item> locator(list);
  for (; locator.current(); locator.next())
    result.push_back(locator.current()->value);
  return result;
}

std::vector<int> valuesBackwards(OMList<Item>& list)
{
  std::vector<int> result;
  OMListLocator<Item> locator(list);
  locator.toLast();
  for (; locator.current(); locator.previous())
    result.push_back(locator.current()->value);
  return result;
}

int lessOrEqual(Item* existing, Item* added)
{
  return existing->value <= added->value;
}

class ListFixture : public ::testing::Test {
 protected:
  void fill(std::initializer_list<int> list)
  {
    for (int value : list) {
      items.push_back(std::make_unique<Item>(value));
      this->list.add(items.back().get());
    }
  }
  Item* item(int value)
  {
    for (auto& owned : items)
      if (owned->value == value) return owned.get();
    items.push_back(std::make_unique<Item>(value));
    return items.back().get();
  }
  std::vector<std::unique_ptr<Item>> items;
  OMList<Item> list;
};

// The links must read the same in both directions and agree with the count.
void expectConsistent(OMList<Item>& list)
{
  std::vector<int> forward = values(list);
  std::vector<int> backward = valuesBackwards(list);
  std::reverse(backward.begin(), backward.end());
  EXPECT_EQ(forward, backward);
  EXPECT_EQ(static_cast<int>(forward.size()), list.count());
}

}  // namespace

TEST_F(ListFixture, AddWithoutOrderingAppendsAndIgnoresNull)
{
  fill({1, 2, 3});
  list.add(nullptr);
  list.insert(nullptr);
  EXPECT_EQ(values(list), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(list.first()->value, 1);
  list.insert(item(0));
  EXPECT_EQ(values(list), (std::vector<int>{0, 1, 2, 3}));
  expectConsistent(list);
}

TEST_F(ListFixture, OrderedAddPutsEqualItemsInArrivalOrder)
{
  list.setOrdering(lessOrEqual);
  Item* a = item(5);
  Item* b = new Item(5);
  items.emplace_back(b);
  fill({3, 7, 1});
  list.add(a);
  list.add(b);
  EXPECT_EQ(values(list), (std::vector<int>{1, 3, 5, 5, 7}));
  OMListLocator<Item> locator(list);
  locator.advance(2);
  EXPECT_EQ(locator.current(), a);
  locator.next();
  EXPECT_EQ(locator.current(), b);
  expectConsistent(list);
}

TEST_F(ListFixture, OrderedInsertGoesBeforeTheFirstItemThatMayNotPrecedeIt)
{
  // From the head, every item for which the ordering answers non-zero is passed over, so
  // with (existing <= new) a new item lands behind the equal ones.
  list.setOrdering(lessOrEqual);
  fill({1, 5, 9});
  Item* second = new Item(5);
  items.emplace_back(second);
  list.insert(second);
  EXPECT_EQ(values(list), (std::vector<int>{1, 5, 5, 9}));
  OMListLocator<Item> locator(list);
  locator.advance(2);
  EXPECT_EQ(locator.current(), second);
  // Smaller than everything goes to the head, larger than everything to the tail.
  list.insert(item(0));
  list.insert(item(10));
  list.add(item(-1));
  EXPECT_EQ(values(list), (std::vector<int>{-1, 0, 1, 5, 5, 9, 10}));
  expectConsistent(list);
}

TEST_F(ListFixture, RemoveAndContains)
{
  fill({1, 2, 3});
  Item stranger(9);
  EXPECT_EQ(list.remove(&stranger), nullptr);
  EXPECT_EQ(list.count(), 3);
  EXPECT_TRUE(list.contains(item(2)));
  EXPECT_EQ(list.remove(item(2)), item(2));
  EXPECT_FALSE(list.contains(item(2)));
  EXPECT_EQ(list.remove(item(1)), item(1));
  EXPECT_EQ(list.remove(item(3)), item(3));
  EXPECT_TRUE(list.isEmpty());
  EXPECT_EQ(list.first(), nullptr);
  list.add(item(4));
  EXPECT_EQ(values(list), (std::vector<int>{4}));
}

TEST_F(ListFixture, SameItemMayStandTwiceAndRemoveTakesTheFirst)
{
  fill({1, 2});
  list.add(item(1));
  EXPECT_EQ(list.count(), 3);
  list.remove(item(1));
  EXPECT_EQ(values(list), (std::vector<int>{2, 1}));
}

TEST_F(ListFixture, LocatorInsertionsAtTheEnds)
{
  fill({2, 3});
  OMListLocator<Item> locator(list);
  locator.toLast();
  locator.insertAfter(item(4));
  EXPECT_EQ(locator.current()->value, 4);
  EXPECT_EQ(list.last()->value, 4);
  locator.toFirst();
  locator.insertBefore(item(1));
  EXPECT_EQ(locator.current()->value, 1);
  EXPECT_EQ(list.first()->value, 1);
  locator.next();
  locator.insertAfter(item(25));  // between 2 and 3
  EXPECT_EQ(locator.current()->value, 25);
  locator.insertBefore(item(22));
  EXPECT_EQ(locator.current()->value, 22);
  EXPECT_EQ(values(list), (std::vector<int>{1, 2, 22, 25, 3, 4}));
  expectConsistent(list);

  // At the end nothing happens.
  OMListLocator<Item> atEnd(list);
  atEnd.toLast();
  atEnd.next();
  atEnd.insertAfter(item(7));
  atEnd.insertBefore(item(7));
  EXPECT_EQ(atEnd.removeCurrent(), nullptr);
  EXPECT_EQ(list.count(), 6);
}

TEST_F(ListFixture, LocatorSeekRemoveAndPostIncrement)
{
  fill({1, 2, 3});
  OMListLocator<Item> locator(list);
  OMListLocator<Item> before = locator.postIncrement();
  EXPECT_EQ(before.current()->value, 1);
  EXPECT_EQ(locator.current()->value, 2);
  locator.seek(item(3));
  EXPECT_EQ(locator.current()->value, 3);
  EXPECT_EQ(locator.removeCurrent()->value, 3);
  EXPECT_EQ(locator.current(), nullptr);
  EXPECT_EQ(list.last()->value, 2);
  locator.seek(item(1));
  EXPECT_EQ(locator.removeCurrent()->value, 1);
  EXPECT_EQ(locator.current()->value, 2);
  EXPECT_EQ(list.first()->value, 2);
  Item missing(42);
  locator.seek(&missing);
  EXPECT_EQ(locator.current(), nullptr);
  expectConsistent(list);
}

TEST_F(ListFixture, WalkRemovingTheVisitedItemVisitsEveryOtherOnce)
{
  fill({1, 2, 3, 4});
  std::vector<int> visited;
  list.forEach([&](Item* it) {
    visited.push_back(it->value);
    list.remove(it);
  });
  EXPECT_EQ(visited, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_TRUE(list.isEmpty());
  EXPECT_EQ(list.cursorDepth(), -1);
}

TEST_F(ListFixture, WalkRemovingTheNextItemSkipsOnlyThatItem)
{
  fill({1, 2, 3, 4, 5});
  std::vector<int> visited;
  list.forEach([&](Item* it) {
    visited.push_back(it->value);
    if (it->value == 2) list.remove(item(3));
    if (it->value == 4) list.remove(item(5));
  });
  EXPECT_EQ(visited, (std::vector<int>{1, 2, 4}));
  EXPECT_EQ(values(list), (std::vector<int>{1, 2, 4}));
  expectConsistent(list);
}

TEST_F(ListFixture, WalkVisitsItemsAppendedDuringIt)
{
  fill({1, 2});
  std::vector<int> visited;
  list.forEach([&](Item* it) {
    visited.push_back(it->value);
    if (it->value == 2) list.add(item(3));  // appended while at the last item
    if (it->value == 3) list.add(item(4));
  });
  EXPECT_EQ(visited, (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(ListFixture, WalkVisitsItemInsertedJustAheadButNotBehind)
{
  fill({1, 3});
  std::vector<int> visited;
  list.forEach([&](Item* it) {
    visited.push_back(it->value);
    if (it->value == 1) {
      OMListLocator<Item> locator(list);
      locator.seek(it);
      locator.insertAfter(item(2));  // just ahead of the walk
      list.insert(item(0));          // behind it: at the head
    }
  });
  EXPECT_EQ(visited, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(values(list), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(ListFixture, NestedWalksKeepTheirOwnCursors)
{
  fill({1, 2, 3});
  std::vector<std::string> visits;
  list.forEach([&](Item* outer) {
    EXPECT_EQ(list.cursorDepth(), 0);
    list.forEach([&](Item* middle) {
      EXPECT_EQ(list.cursorDepth(), 1);
      list.forEach([&](Item* inner) {
        EXPECT_EQ(list.cursorDepth(), 2);
        // The innermost walk removes the next item of the outer walks.
        if (outer->value == 1 && middle->value == 1 && inner->value == 1) list.remove(item(2));
        visits.push_back(std::to_string(outer->value) + std::to_string(middle->value) +
                         std::to_string(inner->value));
      });
    });
  });
  EXPECT_EQ(list.cursorDepth(), -1);
  EXPECT_EQ(visits,
            (std::vector<std::string>{"111", "113", "131", "133", "311", "313", "331", "333"}));
}

TEST_F(ListFixture, WalkNestedDeeperThanTheCursorStackStopsTheProgram)
{
  fill({1});
  EXPECT_DEATH(
      {
        list.forEach([&](Item*) {
          list.forEach([&](Item*) { list.forEach([&](Item*) { list.forEach([&](Item*) {}); }); });
        });
      },
      "Assertion failed");
}

TEST_F(ListFixture, EmptyingTheListDuringAWalkEndsTheWalk)
{
  fill({1, 2, 3});
  std::vector<int> visited;
  list.forEach([&](Item* outer) {
    list.forEach([&](Item* inner) {
      visited.push_back(outer->value * 10 + inner->value);
      if (inner->value == 1) list.removeAll();
    });
  });
  EXPECT_EQ(visited, (std::vector<int>{11}));
  EXPECT_EQ(list.cursorDepth(), -1);
  EXPECT_TRUE(list.isEmpty());

  // The list works as new afterwards, walks included.
  fill({4, 5});
  visited.clear();
  list.forEach([&](Item* it) { visited.push_back(it->value); });
  EXPECT_EQ(visited, (std::vector<int>{4, 5}));
}

TEST_F(ListFixture, RefillingTheListInsideAWalkDoesNotResumeTheOldWalk)
{
  fill({1, 2});
  std::vector<int> visited;
  list.forEach([&](Item* it) {
    visited.push_back(it->value);
    if (it->value == 1) {
      list.removeAll();
      list.add(item(7));
      list.forEach([&](Item* again) { visited.push_back(again->value); });
    }
  });
  EXPECT_EQ(visited, (std::vector<int>{1, 7}));
  EXPECT_EQ(list.cursorDepth(), -1);
}

TEST_F(ListFixture, ForEachCallsByKind)
{
  fill({1, 2, 3});
  std::vector<int> seen;
  static std::vector<int>* sink;
  sink = &seen;
  list.forEach(
      2, nullptr, nullptr,
      [](Item* it) {
        sink->push_back(it->value);
        return 0;
      },
      nullptr, 0);
  list.forEach(
      3, nullptr, nullptr, nullptr,
      [](Item* it, OMWord arg) {
        sink->push_back(it->value * static_cast<int>(arg));
        return 0;
      },
      100);
  list.forEach(
      7, nullptr, nullptr,
      [](Item*) {
        sink->push_back(-1);
        return 0;
      },
      nullptr, 0);
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 100, 200, 300}));

  OMList<Item> empty;
  empty.forEach(
      2, nullptr, nullptr,
      [](Item*) {
        sink->push_back(-1);
        return 0;
      },
      nullptr, 0);
  EXPECT_EQ(empty.cursorDepth(), -1);
  EXPECT_EQ(seen.size(), 6u);
}

TEST_F(ListFixture, FirstThatAndLastThat)
{
  fill({2, 3, 4, 6});
  EXPECT_EQ(list.firstThat(0, &Item::isEven, nullptr, nullptr, 0)->value, 2);
  EXPECT_EQ(list.lastThat(0, &Item::isEven, nullptr, nullptr, 0)->value, 6);
  EXPECT_EQ(list.firstThat(1, nullptr, &Item::equalsArg, nullptr, 4)->value, 4);
  EXPECT_EQ(list.lastThat(1, nullptr, &Item::equalsArg, nullptr, 5), nullptr);
  auto greaterThan = [](Item* it, OMWord arg) { return it->value > static_cast<int>(arg) ? 1 : 0; };
  EXPECT_EQ(list.firstThat(2, nullptr, nullptr, greaterThan, 2)->value, 3);
  EXPECT_EQ(list.lastThat(2, nullptr, nullptr, greaterThan, 2)->value, 6);
  EXPECT_EQ(list.findFirst(greaterThan, 3)->value, 4);
  EXPECT_EQ(list.firstThat(3, &Item::isEven, &Item::equalsArg, greaterThan, 0), nullptr);
  EXPECT_EQ(list.lastThat(-1, &Item::isEven, &Item::equalsArg, greaterThan, 0), nullptr);
}

TEST_F(ListFixture, DeleteAllDestroysItemsThroughTheirDestructor)
{
  OMList<Item> owning;
  owning.add(new Item(1));
  owning.add(new Item(2));
  Item::destroyed = 0;
  owning.deleteAll(1);
  EXPECT_EQ(Item::destroyed, 2);
  EXPECT_TRUE(owning.isEmpty());

  fill({1, 2});
  Item::destroyed = 0;
  list.deleteAll(0);  // items kept
  EXPECT_EQ(Item::destroyed, 0);
  EXPECT_TRUE(list.isEmpty());
}

TEST_F(ListFixture, AssignmentCopiesItemsInOrderAndThenTheOrdering)
{
  fill({3, 1, 2});  // unordered: kept as given
  OMList<Item> target;
  target.add(item(9));
  target.setOrdering(lessOrEqual);
  target = list;
  EXPECT_EQ(values(target), (std::vector<int>{3, 1, 2}));
  EXPECT_EQ(target.ordering(), nullptr);

  list.setOrdering(lessOrEqual);
  OMList<Item> copy(list);
  EXPECT_EQ(values(copy), (std::vector<int>{3, 1, 2}));
  EXPECT_EQ(copy.ordering(), &lessOrEqual);

  OMList<Item>& self = list;
  list = self;
  EXPECT_EQ(list.count(), 3);
}
