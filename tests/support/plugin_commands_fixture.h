// Shared set-up of the tests that run the check and mark commands: the
// plug-in fixture with settings every such test starts from and an empty
// collected progress.
#ifndef TESTS_SUPPORT_PLUGIN_COMMANDS_FIXTURE_H
#define TESTS_SUPPORT_PLUGIN_COMMANDS_FIXTURE_H

#include <QString>

#include "api/velmo_check_result.h"
#include "plugin_fixture.h"

// Settings every command test starts from: colours, options all on, a piece
// length and a character limit that let small documents go in one piece.
extern const char* const COMMANDS_TEST_INI;

class commands_test : public plugin_test {
  protected:
    void SetUp() override;
    void TearDown() override;

    static velmo_check_result_t record(int pos, int level, const QString& err_word,
                                       const QString& cor_word, int span = 0);
};

#endif
