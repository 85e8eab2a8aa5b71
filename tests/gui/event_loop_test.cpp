// The loop's contract, which every backend keeps: each backend's GUI suite
// builds this file with its own loop_guard.

#include "gui/event_loop.hpp"

#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "loop_guard.hpp"

namespace {

using namespace bq::gui;
using bq::gui::testing::events_pending;
using bq::gui::testing::run_guarded;
using bq::shell::EventLoopProxy;

std::string script_of(const LoopEvent& event) {
  const auto* user = std::get_if<UserEvent>(&event);
  return user != nullptr ? user->script : "(close)";
}

TEST(EventLoop, ScriptsFromManyThreadsArriveOnceEachInQueueOrder) {
  const EventLoop loop = std::get<EventLoop>(create_event_loop());
  const EventLoopProxy proxy = create_event_loop_proxy(loop);
  constexpr int THREADS = 8;
  constexpr int SENDS = 250;

  // The test serialises the sends so that it knows the order they queued in.
  std::mutex order_lock;
  std::vector<std::string> queued;
  std::vector<std::thread> workers;
  for (int t = 0; t < THREADS; ++t) {
    workers.emplace_back([&, t, copy = proxy] {
      for (int i = 0; i < SENDS; ++i) {
        const std::string script = std::to_string(t) + ":" + std::to_string(i);
        std::lock_guard lock(order_lock);
        ASSERT_TRUE(copy(script));
        queued.push_back(script);
      }
    });
  }

  std::vector<std::string> delivered;
  const bool ended = run_guarded(loop, [&](LoopEvent event) {
    delivered.push_back(script_of(event));
    if (delivered.size() == THREADS * SENDS) end_event_loop(loop);
  });
  for (auto& worker : workers) worker.join();
  ASSERT_TRUE(ended);
  EXPECT_EQ(delivered, queued);
}

TEST(EventLoop, SendsBeforeTheLoopRunsWaitForIt) {
  const EventLoop loop = std::get<EventLoop>(create_event_loop());
  const EventLoopProxy proxy = create_event_loop_proxy(loop);
  EXPECT_TRUE(proxy("first"));
  EXPECT_TRUE(proxy("second"));
  std::vector<std::string> delivered;
  ASSERT_TRUE(run_guarded(loop, [&](LoopEvent event) {
    delivered.push_back(script_of(event));
    if (delivered.size() == 2) end_event_loop(loop);
  }));
  EXPECT_EQ(delivered, (std::vector<std::string>{"first", "second"}));
}

TEST(EventLoop, EventsAlreadyBeingDispatchedWhenTheLoopEndsStillArrive) {
  const EventLoop loop = std::get<EventLoop>(create_event_loop());
  const EventLoopProxy proxy = create_event_loop_proxy(loop);
  ASSERT_TRUE(proxy("ends the loop"));
  ASSERT_TRUE(proxy("same batch"));
  std::vector<std::string> delivered;
  ASSERT_TRUE(run_guarded(loop, [&](LoopEvent event) {
    delivered.push_back(script_of(event));
    if (delivered.size() == 1) {
      end_event_loop(loop);
      EXPECT_FALSE(proxy("after the end"));
    }
  }));
  EXPECT_EQ(delivered, (std::vector<std::string>{"ends the loop", "same batch"}));
  EXPECT_FALSE(events_pending()) << "nothing is left behind for a later loop of this thread";
}

TEST(EventLoop, SendsFailOnceTheLoopHasEnded) {
  const EventLoop loop = std::get<EventLoop>(create_event_loop());
  const EventLoopProxy proxy = create_event_loop_proxy(loop);
  const EventLoopProxy copy = proxy;
  ASSERT_TRUE(proxy("only"));
  ASSERT_TRUE(run_guarded(loop, [&](LoopEvent) { end_event_loop(loop); }));
  EXPECT_FALSE(proxy("late"));
  bool from_thread = true;
  std::thread([&] { from_thread = copy("late from a worker"); }).join();
  EXPECT_FALSE(from_thread);
  EXPECT_FALSE(events_pending());
}

TEST(EventLoop, ASendNeverWaitsForTheUiThread) {
  const EventLoop loop = std::get<EventLoop>(create_event_loop());
  const EventLoopProxy proxy = create_event_loop_proxy(loop);
  ASSERT_TRUE(proxy("block"));
  std::vector<std::string> delivered;
  ASSERT_TRUE(run_guarded(loop, [&](LoopEvent event) {
    delivered.push_back(script_of(event));
    if (delivered.size() == 1) {
      // The UI thread is busy in here; a worker's send must still return.
      std::promise<bool> sent;
      std::thread worker([&] { sent.set_value(proxy("while busy")); });
      const auto status = sent.get_future().wait_for(std::chrono::seconds(5));
      worker.join();
      EXPECT_EQ(status, std::future_status::ready);
    } else {
      end_event_loop(loop);
    }
  }));
  EXPECT_EQ(delivered, (std::vector<std::string>{"block", "while busy"}));
}

TEST(EventLoop, WindowEventsReachTheRunningHandlerOnly) {
  const EventLoop loop = std::get<EventLoop>(create_event_loop());
  dispatch_event(loop, CloseRequested{});  // no handler yet: dropped
  const EventLoopProxy proxy = create_event_loop_proxy(loop);
  ASSERT_TRUE(proxy("start"));
  std::vector<std::string> delivered;
  ASSERT_TRUE(run_guarded(loop, [&](LoopEvent event) {
    delivered.push_back(script_of(event));
    if (std::holds_alternative<CloseRequested>(event)) {
      end_event_loop(loop);
    } else {
      dispatch_event(loop, CloseRequested{});
    }
  }));
  EXPECT_EQ(delivered, (std::vector<std::string>{"start", "(close)"}));
}

}  // namespace
