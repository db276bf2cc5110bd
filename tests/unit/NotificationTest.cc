#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/NotificationCenter.h"
#include "platform/NotificationQueue.h"
#include "platform/RunLoop.h"

namespace {
using platform::Notification;
using platform::NotificationCenter;
using platform::NotificationQueue;
using platform::RunLoop;
using namespace std::chrono_literals;

TEST(NotificationCenter, DeliversByNameAndSenderAndHonoursRemovalDuringPost) {
  NotificationCenter center;
  int senderA = 0, senderB = 0;
  std::vector<std::string> seen;
  int observer1 = 0, observer2 = 0, observer3 = 0;
  center.addObserver(&observer1, "done", nullptr, [&](const Notification& n) {
    seen.push_back("any:" + n.name);
    center.removeObserver(&observer2);  // removed before its turn: must not run
  });
  center.addObserver(&observer2, "done", nullptr,
                     [&](const Notification&) { seen.push_back("2"); });
  center.addObserver(&observer3, "done", &senderA,
                     [&](const Notification&) { seen.push_back("A"); });
  center.addObserver(&observer3, "other", nullptr,
                     [&](const Notification&) { seen.push_back("x"); });

  center.post({"done", &senderB, {}});
  EXPECT_EQ(seen, (std::vector<std::string>{"any:done"}));
  seen.clear();
  center.post({"done", &senderA, {}});
  EXPECT_EQ(seen, (std::vector<std::string>{"any:done", "A"}));
  center.removeObserver(&observer3);
  seen.clear();
  center.post({"other", &senderA, {}});
  EXPECT_TRUE(seen.empty());
}

TEST(Notification, MissingOrMistypedEntriesReadAsFalseOrAbsent) {
  Notification n{"n", nullptr, {{"yes", true}, {"list", std::vector<std::string>{"a", "b"}}}};
  EXPECT_TRUE(n.boolValue("yes"));
  EXPECT_FALSE(n.boolValue("missing"));
  EXPECT_FALSE(n.boolValue("list"));
  EXPECT_EQ(n.stringListValue("list"), (std::vector<std::string>{"a", "b"}));
  EXPECT_FALSE(n.stringListValue("yes"));
}

TEST(NotificationQueue, PostsFromTheLoopOnlyInOrderAndCoalescesByNameAndSender) {
  NotificationCenter center;
  NotificationQueue queue(center, RunLoop::main().context());
  int senderA = 0, senderB = 0;
  std::vector<std::string> seen;
  int observer = 0;
  auto record = [&](const Notification& n) {
    seen.push_back(n.name + (n.object == &senderA ? "@A" : "@B") +
                   (n.boolValue("first") ? "+first" : ""));
  };
  center.addObserver(&observer, "one", nullptr, record);
  center.addObserver(&observer, "two", nullptr, record);

  queue.enqueueWhenIdle({"one", &senderA, {{"first", true}}});
  queue.enqueueWhenIdle({"one", &senderA, {}});  // coalesced into the first
  queue.enqueueWhenIdle({"one", &senderB, {}});
  queue.enqueueWhenIdle({"two", &senderA, {}});
  EXPECT_TRUE(seen.empty()) << "nothing may be delivered inside the call that queued it";
  EXPECT_EQ(queue.pendingCount(), 3u);

  ASSERT_TRUE(RunLoop::main().runUntil([&] { return seen.size() == 3; }, 2s));
  EXPECT_EQ(seen, (std::vector<std::string>{"one@A+first", "one@B", "two@A"}));
  EXPECT_EQ(queue.pendingCount(), 0u);
}

TEST(NotificationQueue, ANotificationQueuedByAHandlerArrivesOnALaterTurn) {
  NotificationCenter center;
  NotificationQueue queue(center, RunLoop::main().context());
  int sender = 0, observer = 0;
  std::vector<std::string> seen;
  center.addObserver(&observer, "ping", nullptr, [&](const Notification&) {
    seen.push_back("ping");
    queue.enqueueWhenIdle({"pong", &sender, {}});
    seen.push_back("ping returned");
  });
  center.addObserver(&observer, "pong", nullptr,
                     [&](const Notification&) { seen.push_back("pong"); });
  queue.enqueueWhenIdle({"ping", &sender, {}});
  ASSERT_TRUE(RunLoop::main().runUntil([&] { return seen.size() == 3; }, 2s));
  EXPECT_EQ(seen, (std::vector<std::string>{"ping", "ping returned", "pong"}));
}

TEST(NotificationQueue, DestroyingTheQueueDropsWhatIsWaiting) {
  NotificationCenter center;
  int observer = 0, sender = 0;
  bool delivered = false;
  center.addObserver(&observer, "late", nullptr, [&](const Notification&) { delivered = true; });
  {
    NotificationQueue queue(center, RunLoop::main().context());
    queue.enqueueWhenIdle({"late", &sender, {}});
  }
  RunLoop::main().runUntil([&] { return delivered; }, 100ms);
  EXPECT_FALSE(delivered);
}

}  // namespace
