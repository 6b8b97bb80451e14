// The collision registry and the frame step's tests of watches and touching pairs.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/OMLinkToFct.h"
#include "trinkets/src/OMCollision.h"

namespace {

struct Piece {
  std::string name;
  int tag;
  OMRect rect;
  bool visible = true;
};

struct Access {
  bool visible(const Piece* p) const { return p->visible; }
  int tag(const Piece* p) const { return p->tag; }
  OMRect rect(const Piece* p) const { return p->rect; }
  bool intersects(const Piece* a, const Piece* b) const { return a->rect.intersects(b->rect); }
};

// What the links saw: "value:first+second", in order.
std::vector<std::string> heard;

// Each link is told apart by its number; it is given the current pair's address.
template <int number>
OMWord hear(OMWord argument)
{
  EXPECT_EQ(argument, reinterpret_cast<OMWord>(collisionPair));
  const int value = number;
  const OMWord* pair = collisionPair;
  heard.push_back(std::to_string(value) + ":" + reinterpret_cast<Piece*>(pair[0])->name + "+" +
                  reinterpret_cast<Piece*>(pair[1])->name);
  return 0;
}

// Registers the pair that just met as touching, as the shell's collision object does.
template <int number>
OMWord hearAndTouch(OMWord argument)
{
  hear<number>(argument);
  const OMLinkToFct parted(hear<100 + number>);
  addTouchingPair(&parted, 0);
  return 0;
}

class Collisions : public ::testing::Test {
 protected:
  void TearDown() override
  {
    for (auto* list :
         {&collisionWatches(), &touchingPairs(), &collisionNotices(), &partitionNotices()})
      list->deleteAll(1);
    heard.clear();
  }
  void step()
  {
    OMList<Piece> list;
    for (Piece& p : pieces_)
      list.add(&p);
    runCollisionStep(list, Access());
    list.removeAll();
  }
  template <int value>
  void watch(int tag1, int tag2, int distance)
  {
    const OMLinkToFct link(hear<value>);
    addCollisionWatch(tag1, tag2, &link, distance, value);
  }
  std::vector<Piece> pieces_;
};

TEST_F(Collisions, WatchesFireOnceForTheFirstMeetingPairInListOrder)
{
  pieces_ = {{"a", 5, {0, 0, 10, 10}}, {"b", 3, {5, 5, 15, 15}},
             {"c", 3, {0, 0, 4, 4}},   {"d", 7, {100, 100, 110, 110}},
             {"e", 0, {0, 0, 10, 10}}, {"f", 7, {0, 0, 10, 10}, false}};
  watch<1>(3, 5, OMCollisionWatch::overlap);
  watch<9>(7, 5, OMCollisionWatch::overlap);  // the only 7 nearby is hidden
  step();
  // (3, 5) matches a and b (tags 5 and 3); c also meets a, but the watch is gone.
  EXPECT_EQ(heard, (std::vector<std::string>{"1:a+b"}));
  EXPECT_EQ(collisionWatchLink(3, 5), nullptr);
  EXPECT_NE(collisionWatchLink(5, 7), nullptr);
  heard.clear();
  step();
  EXPECT_TRUE(heard.empty());
}

TEST_F(Collisions, NoticesGoByDescendingValueAndDistancesAreStrict)
{
  // Centres (5, 5) and (5, 15) lie 10 apart; (105, 5) is far.
  pieces_ = {{"a", 1, {0, 0, 10, 10}}, {"b", 2, {0, 10, 10, 20}}, {"c", 3, {100, 0, 110, 10}}};
  watch<4>(1, 2, 10);  // exactly at the distance: no meeting
  watch<2>(1, 3, 200);
  watch<7>(2, 3, 200);
  step();
  EXPECT_EQ(heard, (std::vector<std::string>{"7:b+c", "2:a+c"}));
  heard.clear();
  watch<4>(1, 2, 11);
  watch<5>(2, 1, 11);  // the same pair: replaces
  step();
  EXPECT_EQ(heard, (std::vector<std::string>{"5:a+b"}));
  EXPECT_TRUE(collisionWatches().isEmpty());
  removeCollisionWatch(1, 2);
}

TEST_F(Collisions, TouchingPairsFireWhenTheyPartAndPurgeForgetsATrinket)
{
  pieces_ = {{"a", 1, {0, 0, 10, 10}}, {"b", 2, {5, 0, 15, 10}}, {"c", 3, {5, 0, 15, 10}}};
  {
    const OMLinkToFct link(hearAndTouch<1>);
    addCollisionWatch(1, 2, &link, OMCollisionWatch::overlap, 1);
    const OMLinkToFct other(hearAndTouch<2>);
    addCollisionWatch(1, 3, &other, OMCollisionWatch::overlap, 2);
  }
  step();
  EXPECT_EQ(heard, (std::vector<std::string>{"2:a+c", "1:a+b"}));
  EXPECT_NE(touchingPairLink(reinterpret_cast<OMWord>(&pieces_[1]),
                             reinterpret_cast<OMWord>(&pieces_[0])),
            nullptr);
  heard.clear();
  pieces_[1].rect = {10, 0, 20, 10};  // just apart: parted
  pieces_[2].visible = false;         // hidden pairs are not tested
  step();
  EXPECT_EQ(heard, (std::vector<std::string>{"101:a+b"}));
  heard.clear();
  purgeCollisionTrinket(reinterpret_cast<OMWord>(&pieces_[2]));
  EXPECT_TRUE(touchingPairs().isEmpty());
  pieces_[2].visible = true;
  pieces_[2].rect = {50, 50, 60, 60};
  step();
  EXPECT_TRUE(heard.empty());
}

}  // namespace
