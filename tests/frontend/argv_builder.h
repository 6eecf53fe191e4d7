// Builds a mutable argv from strings for the option parser under test.
#pragma once

#include <string>
#include <vector>

class Argv {
 public:
    Argv(std::initializer_list<std::string> args) : store_(args) {
        for (auto &s : store_) ptrs_.push_back(s.data());
        ptrs_.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(store_.size()); }
    char **argv() { return ptrs_.data(); }

 private:
    std::vector<std::string> store_;
    std::vector<char *> ptrs_;
};
