#include "api_test_fixture.h"

std::string api_test::settings_text(const std::string& url) {
    return std::string("[OtherParams]\n") + (url.empty() ? "" : "ServiceUrl=" + url + "\n") +
           "OpenTimeout=30\nSendTimeout=30\nReceiveTimeout=10\n" +
           "[UserInfo]\nUserName=" + USER_NAME + "\nAuthNo=" + AUTH_NO + "\n" +
           "[CheckType]\nCheckLeaderSort=1\nCheckMatchDots=0\nCheckSentence=1\n" +
           "[CheckExtendInfo]\nChkEng=1\nFanTi=0\nLeader=1\nProfType=17\nTaiWan=0\nUserErr="
           "1\nWeight=2\n";
}

void api_test::use_settings(const std::string& ini_text) {
    settings.reset();
    settings.reset(new temp_settings(ini_text));
}

read_envelope api_test::only_request(const std::string& operation) const {
    const std::vector<fake_request> received = service.requests(operation);
    EXPECT_EQ(received.size(), 1u) << operation;
    return received.empty() ? read_envelope() : read_request_envelope(received.back().body);
}

std::string text_of(const read_element& parent, const std::string& name) {
    const read_element* child = parent.child(name);
    return child ? child->text : "<missing>";
}
