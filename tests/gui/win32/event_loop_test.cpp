#include "gui/event_loop.hpp"

#include <windows.h>

#include <future>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "../loop_guard.hpp"

namespace {

using namespace bq::gui;
using bq::gui::testing::events_pending;
using bq::gui::testing::run_guarded;

std::string script_of(const LoopEvent& event) {
  const auto* user = std::get_if<UserEvent>(&event);
  return user != nullptr ? user->script : "(close)";
}

constexpr int THREADS = 8;
constexpr int SENDS = 250;

TEST(Win32EventLoop, ScriptsFromEightThreadsArriveOnceEachInEachThreadsOrder) {
  const EventLoop loop = std::get<EventLoop>(create_event_loop());
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
  EXPECT_FALSE(events_pending());
}

TEST(Win32EventLoop, ANestedLoopBeforeTheRunDropsTheScripts) {
  const EventLoop loop = std::get<EventLoop>(create_event_loop());
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

}  // namespace
