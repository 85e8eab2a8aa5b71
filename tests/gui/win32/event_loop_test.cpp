#include "gui/event_loop.hpp"

#include <windows.h>

#include <chrono>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "loop_guard.hpp"

namespace {

using namespace bq::gui;
using bq::gui::testing::run_guarded;

// Whether a message for this thread is waiting.
bool message_pending() {
  MSG message;
  return PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE) != 0;
}

std::string script_of(const LoopEvent& event) {
  const auto* user = std::get_if<UserEvent>(&event);
  return user != nullptr ? user->script : "(close)";
}

constexpr int THREADS = 8;
constexpr int SENDS = 250;

TEST(Win32EventLoop, ScriptsFromEightThreadsArriveOnceEachInEachThreadsOrder) {
  const EventLoop loop = create_event_loop();
  const bq::shell::EventLoopProxy proxy = create_event_loop_proxy(loop);
  // The workers start once the loop runs, so that sending and delivering overlap.
  std::promise<void> start;
  std::shared_future<void> started = start.get_future().share();
  std::vector<std::thread> workers;
  for (int t = 0; t < THREADS; ++t) {
    workers.emplace_back([t, started, copy = proxy] {
      started.wait();
      for (int i = 0; i < SENDS; ++i) EXPECT_TRUE(copy(std::to_string(t) + ":" + std::to_string(i)));
    });
  }
  ASSERT_TRUE(proxy("go"));

  std::map<int, std::vector<int>> delivered;  // by sending thread
  int count = 0;
  const bool ended = run_guarded(loop, [&](LoopEvent event) {
    const std::string script = script_of(event);
    if (++count == 1) {
      EXPECT_EQ(script, "go");
      start.set_value();
      return;
    }
    const auto colon = script.find(':');
    delivered[std::stoi(script.substr(0, colon))].push_back(std::stoi(script.substr(colon + 1)));
    if (count == THREADS * SENDS + 1) end_event_loop(loop);
  });
  for (auto& worker : workers) worker.join();
  ASSERT_TRUE(ended) << count << " events arrived";
  std::vector<int> in_order(SENDS);
  for (int i = 0; i < SENDS; ++i) in_order[i] = i;
  ASSERT_EQ(delivered.size(), std::size_t{THREADS});
  for (const auto& [thread, numbers] : delivered) EXPECT_EQ(numbers, in_order) << "thread " << thread;
  EXPECT_FALSE(message_pending());
}

TEST(Win32EventLoop, ScriptsArriveInTheOrderTheyWereQueued) {
  const EventLoop loop = create_event_loop();
  const bq::shell::EventLoopProxy proxy = create_event_loop_proxy(loop);
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

TEST(Win32EventLoop, SendsBeforeTheLoopRunsWaitForIt) {
  const EventLoop loop = create_event_loop();
  const bq::shell::EventLoopProxy proxy = create_event_loop_proxy(loop);
  EXPECT_TRUE(proxy("first"));
  EXPECT_TRUE(proxy("second"));
  std::vector<std::string> delivered;
  ASSERT_TRUE(run_guarded(loop, [&](LoopEvent event) {
    delivered.push_back(script_of(event));
    if (delivered.size() == 2) end_event_loop(loop);
  }));
  EXPECT_EQ(delivered, (std::vector<std::string>{"first", "second"}));
}

TEST(Win32EventLoop, ANestedLoopBeforeTheRunDropsTheScripts) {
  const EventLoop loop = create_event_loop();
  const bq::shell::EventLoopProxy proxy = create_event_loop_proxy(loop);
  ASSERT_TRUE(proxy("taken by the nested loop"));
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  ASSERT_TRUE(proxy("after it"));
  std::vector<std::string> delivered;
  ASSERT_TRUE(run_guarded(loop, [&](LoopEvent event) {
    delivered.push_back(script_of(event));
    end_event_loop(loop);
  }));
  EXPECT_EQ(delivered, (std::vector<std::string>{"after it"}));
}

TEST(Win32EventLoop, EventsAlreadyPostedWhenTheLoopEndsStillArrive) {
  const EventLoop loop = create_event_loop();
  const bq::shell::EventLoopProxy proxy = create_event_loop_proxy(loop);
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
  EXPECT_FALSE(message_pending()) << "nothing is left behind for a later loop of this thread";
}

TEST(Win32EventLoop, SendsFailOnceTheLoopHasEnded) {
  const EventLoop loop = create_event_loop();
  const bq::shell::EventLoopProxy proxy = create_event_loop_proxy(loop);
  const bq::shell::EventLoopProxy copy = proxy;
  ASSERT_TRUE(proxy("only"));
  ASSERT_TRUE(run_guarded(loop, [&](LoopEvent) { end_event_loop(loop); }));
  EXPECT_FALSE(proxy("late"));
  bool from_thread = true;
  std::thread([&] { from_thread = copy("late from a worker"); }).join();
  EXPECT_FALSE(from_thread);
  EXPECT_FALSE(message_pending());
}

TEST(Win32EventLoop, ASendNeverWaitsForTheUiThread) {
  const EventLoop loop = create_event_loop();
  const bq::shell::EventLoopProxy proxy = create_event_loop_proxy(loop);
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

TEST(Win32EventLoop, WindowEventsReachTheRunningHandlerOnly) {
  const EventLoop loop = create_event_loop();
  dispatch_event(loop, CloseRequested{});  // no handler yet: dropped
  const bq::shell::EventLoopProxy proxy = create_event_loop_proxy(loop);
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
