// pthread attributes owned by one object, for threads that need a stack size of their own.
#pragma once

#include <pthread.h>

#include <cstddef>
#include <system_error>

class ThreadAttr {
 public:
    // stackBytes 0 keeps the system's default stack size. Throws std::system_error
    // when the attributes cannot be set up (a size below the system's minimum).
    explicit ThreadAttr(std::size_t stackBytes) {
        if (int err = pthread_attr_init(&attr_))
            throw std::system_error(err, std::generic_category(), "pthread_attr_init");
        if (stackBytes != 0) {
            if (int err = pthread_attr_setstacksize(&attr_, stackBytes)) {
                pthread_attr_destroy(&attr_);
                throw std::system_error(err, std::generic_category(), "pthread_attr_setstacksize");
            }
        }
    }
    ~ThreadAttr() { pthread_attr_destroy(&attr_); }
    ThreadAttr(const ThreadAttr &) = delete;
    ThreadAttr &operator=(const ThreadAttr &) = delete;
    const pthread_attr_t *get() const { return &attr_; }

 private:
    pthread_attr_t attr_;
};
