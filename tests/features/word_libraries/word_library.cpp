#include "word_library.h"

#include <algorithm>
#include <cstdio>

word_library::word_library(fake_service& service) {
    service.set_handler("GetWordsList", [this](const fake_request& r) { return page(r); });
    service.set_handler("AddWords", [this](const fake_request& r) { return change(r, true); });
    service.set_handler("DeleteWords", [this](const fake_request& r) { return change(r, false); });
}

void word_library::fill(int lib_type, const std::vector<std::string>& words) {
    std::lock_guard<std::mutex> hold(lock);
    libraries[lib_type] = words;
}

std::vector<std::string> word_library::words(int lib_type) const {
    std::lock_guard<std::mutex> hold(lock);
    auto found = libraries.find(lib_type);
    return found == libraries.end() ? std::vector<std::string>() : found->second;
}

fake_answer word_library::page(const fake_request& request) {
    std::lock_guard<std::mutex> hold(lock);
    const std::vector<std::string>& all = libraries[std::stoi(request.value("libType"))];
    const int index = std::stoi(request.value("pageIndex"));
    const int total = static_cast<int>(all.size());
    const int pages = (total + PAGE_SIZE - 1) / PAGE_SIZE;
    std::vector<std::string> shown;
    for (int i = index * PAGE_SIZE; i >= 0 && i < total && i < (index + 1) * PAGE_SIZE; ++i)
        shown.push_back(all[i]);
    return {200, fake_words_answer(pages, total, shown)};
}

fake_answer word_library::change(const fake_request& request, bool add) {
    std::lock_guard<std::mutex> hold(lock);
    std::vector<std::string>& all = libraries[std::stoi(request.value("libType"))];
    const std::string word = request.value("words");
    auto at = std::find(all.begin(), all.end(), word);
    if (add && at == all.end() && !word.empty()) all.push_back(word);
    if (!add && at != all.end()) all.erase(at);
    const char* operation = add ? "AddWords" : "DeleteWords";
    return {200, fake_code_answer(operation, 0, "成功")};
}

std::vector<std::string> numbered_words(int count) {
    std::vector<std::string> words;
    for (int i = 1; i <= count; ++i) {
        char word[16];
        std::snprintf(word, sizeof word, "%02d", i);
        words.push_back("词" + std::string(word));
    }
    return words;
}
