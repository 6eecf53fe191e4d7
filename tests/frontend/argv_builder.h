// Builds a mutable argv from strings for the option parser under test.
#pragma once

#include <string>
#include <vector>

class Argv {
 public:
    Argv(std::initializer_list<std::string> args) : store_(args) { point(); }
    // One more argument at the end.
    void add(const std::string &arg) {
        store_.push_back(arg);
        point();
    }
    int argc() const { return static_cast<int>(store_.size()); }
    char **argv() { return ptrs_.data(); }

 private:
    void point() {
        ptrs_.clear();
        for (auto &s : store_) ptrs_.push_back(s.data());
        ptrs_.push_back(nullptr);
    }
    std::vector<std::string> store_;
    std::vector<char *> ptrs_;
};
