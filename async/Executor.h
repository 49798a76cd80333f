#pragma once
// The process-wide thread pool on which tasks, queues and timers run unless given another executor.
// Created on first use (thread-safe) and kept until the process exits. Never block one of its
// threads on I/O or on another task: blocking work gets a std::thread of its own.

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/thread_pool.hpp>

namespace async {

namespace asio = boost::asio;

asio::thread_pool& pool();

inline asio::any_io_executor poolExecutor() { return pool().get_executor(); }

}  // namespace async
