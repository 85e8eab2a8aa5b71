#include "platform/thread.hpp"

#include <pthread.h>

#include <cstring>
#include <memory>
#include <utility>

namespace bq::platform {
namespace {

void* run_body(void* arg) {
  const std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(arg));
  (*body)();
  return nullptr;
}

}  // namespace

support::Result<support::Done> start_detached_thread(std::size_t stack_bytes, std::function<void()> body) {
  auto owned = std::make_unique<std::function<void()>>(std::move(body));
  pthread_attr_t attributes;
  if (const int rc = pthread_attr_init(&attributes); rc != 0) return std::string(std::strerror(rc));
  pthread_attr_setstacksize(&attributes, stack_bytes);
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  pthread_t thread;
  const int rc = pthread_create(&thread, &attributes, run_body, owned.get());
  pthread_attr_destroy(&attributes);
  if (rc != 0) return std::string(std::strerror(rc));
  owned.release();  // the thread owns it now
  return support::Done{};
}

}  // namespace bq::platform
