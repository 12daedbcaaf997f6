// A fake service and a temporary velmo.ini that points at it, for the
// tests that post real requests.
#ifndef TESTS_API_API_TEST_FIXTURE_H
#define TESTS_API_API_TEST_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "api_envelope_reader.h"
#include "fake_service.h"
#include "temp_settings.h"

// Text of the first child element of parent with that name; "<missing>"
// when there is none.
std::string text_of(const read_element& parent, const std::string& name);

class api_test : public ::testing::Test {
  protected:
    // The user name holds characters that must be escaped on the way out.
    static constexpr const char* USER_NAME = "\xE5\xBC\xA0\xE4\xB8\x89<&>\"'";
    static constexpr const char* AUTH_NO = "A&1<2>";

    void SetUp() override { use_settings(settings_text(service.url())); }

    static std::string settings_text(const std::string& url);
    void use_settings(const std::string& ini_text);

    // The only request the service received for operation, read back.
    read_envelope only_request(const std::string& operation) const;

    fake_service service;
    std::unique_ptr<temp_settings> settings;
};

#endif
