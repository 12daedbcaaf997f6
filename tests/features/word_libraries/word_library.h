// A word library service for the tests: the fake service answers the list,
// add and delete operations from two in-memory libraries, 20 words a page,
// the page count and the total as the reference service reports them.
#ifndef TESTS_ACCOUNT_WORD_LIBRARY_H
#define TESTS_ACCOUNT_WORD_LIBRARY_H

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "fake_service.h"

class word_library {
  public:
    static constexpr int PAGE_SIZE = 20;

    // Answers GetWordsList, AddWords and DeleteWords of the service.
    explicit word_library(fake_service& service);

    void fill(int lib_type, const std::vector<std::string>& words);
    std::vector<std::string> words(int lib_type) const;

  private:
    fake_answer page(const fake_request& request);
    fake_answer change(const fake_request& request, bool add);

    mutable std::mutex lock;
    std::map<int, std::vector<std::string>> libraries;
};

// "词01", "词02" ... in order.
std::vector<std::string> numbered_words(int count);

#endif
