#include "plugin_commands_fixture.h"

#include "document/velmo_check_progress.h"

const char* const COMMANDS_TEST_INI =
    "[OtherParams]\n"
    "ServiceUrl=\n"
    "CheckWordsCount=500\n"
    "MaxWords=1000000\n"
    "ReceiveTimeout=10\n"
    "[CheckType]\n"
    "CheckLeaderSort=1\n"
    "CheckMatchDots=0\n"
    "CheckSentence=1\n"
    "[CheckExtendInfo]\n"
    "Weight=1\n"
    "ProfType=0\n"
    "UserErr=1\n"
    "TaiWan=1\n"
    "Leader=1\n"
    "FanTi=1\n"
    "ChkEng=1\n"
    "RepeatSentence=1\n"
    "[Way]\n"
    "ColorWay=0\n"
    "[UserInfo]\n"
    "UserName=alice\n"
    "AuthNo=A-1\n"
    "[Color]\n"
    "Error=6\n"
    "Fallibility=7\n"
    "Update=4\n"
    "Find=3\n";

void commands_test::SetUp() {
    use_ini(COMMANDS_TEST_INI);
    plugin_test::SetUp();
    s_check_progress = check_progress_t();
}

void commands_test::TearDown() {
    s_check_progress = check_progress_t();
    plugin_test::TearDown();
}

velmo_check_result_t commands_test::record(int pos, int level, const QString& err_word,
                                           const QString& cor_word, int span) {
    velmo_check_result_t result;
    result.pos = pos;
    result.level = level;
    result.err_word = err_word;
    result.cor_word = cor_word;
    result.span_by_correction = span;
    return result;
}
