// Generated corpus over the XML reading layer and every answer reader: well-
// formed answers mutated at random (fixed seed), spliced, truncated, nested
// deeply and sprinkled with markup fragments. Nothing may crash, overrun or
// leak; under AddressSanitizer this is checked byte by byte.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "api/velmo_api_answers.h"
#include "api/velmo_api_job.h"
#include "api/velmo_xml.h"
#include "fake_service.h"

namespace {

std::vector<std::string> seed_answers() {
    fake_details page{"100000", "2500", "30", "2027-01-31T00:00:00",
                      "0",      "2",    "25", {{"2026-05-04T10:20:30", "120"}, {"x", "y"}}};
    fake_error many{1, 2, "\xE7\x9A\x84", {}};
    for (int i = 0; i < 40; ++i) many.suggestions.push_back(std::to_string(i));
    return {
        fake_pid_answer("job-1"),
        fake_code_answer("CheckUser", 1, "\xE7\x94\xA8\xE6\x88\xB7"),
        fake_progress_answer(60),
        fake_result_answer({{3, 2, "a", {"b", "c"}}, many, {0, 1, "", {}}}),
        fake_userinfo_answer("\xE6\xAD\xA3\xE5\xB8\xB8", "99", "2027-01-31T00:00:00"),
        fake_details_answer(page),
        fake_words_answer(1, 2, {"w1", "w2"}),
        fake_fault("soap12:Sender", "bad"),
        "<?xml version=\"1.0\"?><!DOCTYPE a [<!ENTITY e \"x\">]><a "
        "xmlns=\"urn:velmo:proofreading\">&e;</a>",
    };
}

const std::vector<std::string> FRAGMENTS = {
    "<",
    ">",
    "</",
    "/>",
    "\"",
    "'",
    "&",
    ";",
    "&amp;",
    "&lt;",
    "&#0;",
    "&#x7532;",
    "&#xD800;",
    "&#1114112;",
    "&e;",
    "<CheckResult>",
    "</CheckResult>",
    "<CorWord>",
    "<string>",
    "</string>",
    "<Pos>",
    "-2147483649",
    "99999999999999999999",
    "<PID>",
    "<ErrCode>",
    "<UserCheckDetail>",
    "<CheckWordsCount>",
    "9223372036854775807",
    "<AuthEndTime>",
    "<PageNo>",
    "<TotalCount>",
    " xmlns=\"urn:velmo:proofreading\"",
    " xmlns=\"urn:other\"",
    " xmlns:i=\"urn:velmo:proofreading\"",
    "<i:Pos>",
    "<![CDATA[<x>]]>",
    "<!-- c -->",
    "<?pi data?>",
    "<!DOCTYPE a SYSTEM \"http://127.0.0.1:1/\">",
    "<!ENTITY % p SYSTEM \"file:///etc/passwd\">",
    "\xC0\xAF",
    "\xFF\xFE",
    "\xE7\x94",
    "\t\r\n",
    "<?xml version=\"1.0\" encoding=\"latin1\"?>",
    "<?xml version=\"1.1\"?>",
    " a=\"1\" a=\"2\"",
};

std::string mutate(std::string text, std::mt19937& random, const std::vector<std::string>& seeds) {
    auto pick = [&random](size_t bound) {
        return bound == 0 ? size_t(0) : std::uniform_int_distribution<size_t>(0, bound - 1)(random);
    };
    const int steps = 1 + static_cast<int>(pick(3));
    for (int step = 0; step < steps; ++step) {
        const size_t at = pick(text.size() + 1);
        switch (pick(7)) {
            case 0:
                if (!text.empty()) text[pick(text.size())] = static_cast<char>(pick(256));
                break;
            case 1:
                text.insert(at, FRAGMENTS[pick(FRAGMENTS.size())]);
                break;
            case 2:
                text.erase(at, pick(32));
                break;
            case 3:
                text.insert(at, text.substr(pick(text.size() + 1), pick(64)));
                break;
            case 4:
                text.resize(at);
                break;
            case 5: {
                const std::string& other = seeds[pick(seeds.size())];
                text = text.substr(0, at) + other.substr(pick(other.size() + 1));
                break;
            }
            default: {
                // Deep nesting inside the answer.
                const int depth = static_cast<int>(pick(400));
                std::string open, close;
                for (int i = 0; i < depth; ++i) {
                    open += i % 2 ? "<string>" : "<CorWord>";
                    close = (i % 2 ? "</string>" : "</CorWord>") + close;
                }
                text.insert(at, open + "t" + close);
                break;
            }
        }
    }
    return text;
}

const char* const NAMES[] = {"CheckResult",
                             "Pos",
                             "level",
                             "ErrWord",
                             "CorWord",
                             "string",
                             "PID",
                             "ErrCode",
                             "ErrMsg",
                             "GetCheckArticleProgressResult",
                             "UserState",
                             "ReMainingWordsCount",
                             "AuthEndTime",
                             "AuthWordsCount",
                             "CheckWordsCount",
                             "CurCheckWordsCount",
                             "PageIndex",
                             "PageNo",
                             "TotalCount",
                             "UserCheckDetail",
                             "CheckTime",
                             "x"};
const char* const TEXTS[] = {"",
                             "0",
                             "-1",
                             "100",
                             " 7 ",
                             "2147483648",
                             "-9223372036854775808",
                             "9223372036854775807",
                             "99999999999999999999",
                             "abc",
                             "2026-05-04T10:20:30",
                             "T",
                             "&amp;&lt;",
                             "\xE7\x94\xB2",
                             "&#x10FFFF;",
                             "<![CDATA[]]>"};

// A random well-formed answer over the service's element names, with
// elements in and outside the service namespace.
std::string generate_tree(std::mt19937& random, int depth) {
    auto pick = [&random](size_t bound) {
        return std::uniform_int_distribution<size_t>(0, bound - 1)(random);
    };
    std::string xml;
    const size_t count = pick(depth > 6 ? 2 : 5);
    for (size_t i = 0; i < count; ++i) {
        const std::string name = NAMES[pick(sizeof NAMES / sizeof *NAMES)];
        const size_t kind = pick(10);
        const std::string prefix = kind == 0 ? "o:" : "";
        const std::string declaration = kind == 0   ? " xmlns:o=\"urn:other\""
                                        : kind == 1 ? " xmlns=\"urn:other\""
                                                    : "";
        xml += "<" + prefix + name + declaration + ">";
        xml += pick(3) == 0 ? generate_tree(random, depth + 1)
                            : TEXTS[pick(sizeof TEXTS / sizeof *TEXTS)];
        xml += "</" + prefix + name + ">";
    }
    return xml;
}

const char* const EXPRESSIONS[] = {
    "//i:CheckResult",
    "//i:string",
    "//*",
    "//node()",
    "//@*",
    "//text()",
    "/",
    "//namespace::*",
    "//i:*/..",
    "//comment()",
    "//processing-instruction()",
    "count(//*)",
    "//i:[",
};
const char* const CHILD_NAMES[] = {"Pos", "level", "ErrWord", "CorWord", "string", "CheckTime", ""};

// Walks every node the layer hands out with each of its functions.
void exercise_xml_layer(const char* body) {
    void* context = velmo_xml_parse(body);
    if (!context) return;
    velmo_xml_register_ns(context, "i", "urn:velmo:proofreading");
    for (const char* expression : EXPRESSIONS) {
        sp_xpath_result_t result;
        if (velmo_xml_xpath(context, expression, &result) != 0) continue;
        ASSERT_GE(result.count, 1);
        for (int n = 0; n < result.count; ++n) {
            void* node = result.nodes[n];
            velmo_xml_text_t text = velmo_xml_get_text(node);
            if (text) (void)std::strlen(text.get());
            for (const char* name : CHILD_NAMES) {
                void* child = velmo_xml_get_child(node, name);
                velmo_xml_get_text(child);
                void* children[4];
                const int count = velmo_xml_get_children(node, name, children, 4);
                ASSERT_LE(count, 4);
                for (int c = 0; c < count; ++c) velmo_xml_get_text(children[c]);
            }
        }
    }
    velmo_xml_free(context);
}

void exercise_readers(const char* body) {
    char pid[VELMO_PID_BUFFER_SIZE + 1];
    std::memset(pid, 0, sizeof pid);
    pid[VELMO_PID_BUFFER_SIZE] = '#';
    velmo_api_read_pid(body, pid);
    ASSERT_EQ(pid[VELMO_PID_BUFFER_SIZE], '#');
    velmo_api_read_error_code(body);
    const int progress = velmo_api_read_progress(body);
    (void)progress;
    QList<velmo_check_result_t> results;
    velmo_api_read_results(body, results);
    for (const velmo_check_result_t& result : results)
        ASSERT_LE(result.cor_word.count("#-#"), VELMO_MAX_SUGGESTIONS - 1);
    QString message;
    velmo_api_read_checkuser(body, message);
    velmo_userinfo_t info;
    velmo_api_read_userinfo(body, info);
    ASSERT_LE(info.auth_end_time.size(), 10);
    velmo_details_t details;
    velmo_api_read_details(body, details);
    for (const velmo_details_once_t& row : details.details) ASSERT_LE(row.check_time.size(), 16);
    QList<QString> words;
    int page_no = 0, total = 0;
    velmo_api_read_words(body, words, page_no, total);
}

}  // namespace

TEST(velmo_api_fuzz, generated_answers_never_break_the_readers) {
    const std::vector<std::string> seeds = seed_answers();
    std::mt19937 random(20260504);
    int parsed = 0;
    for (int round = 0; round < 3000; ++round) {
        const std::string& seed = seeds[round % seeds.size()];
        std::string body;
        if (round < static_cast<int>(seeds.size()))
            body = seed;
        else if (round % 2 == 0)
            body = fake_envelope("Op", generate_tree(random, 0));
        else
            body = mutate(seed, random, seeds);
        SCOPED_TRACE(round);
        void* context = velmo_xml_parse(body.c_str());
        parsed += context != nullptr;
        velmo_xml_free(context);
        exercise_xml_layer(body.c_str());
        exercise_readers(body.c_str());
        if (::testing::Test::HasFatalFailure()) return;
    }
    // The corpus must reach past the parser, not only be rejected by it.
    EXPECT_GT(parsed, 1200);
}

TEST(velmo_api_fuzz, random_bytes_never_break_the_readers) {
    std::mt19937 random(7);
    for (int round = 0; round < 500; ++round) {
        std::string body(std::uniform_int_distribution<size_t>(0, 300)(random), '\0');
        for (char& c : body)
            c = static_cast<char>(std::uniform_int_distribution<int>(1, 255)(random));
        exercise_xml_layer(body.c_str());
        exercise_readers(body.c_str());
    }
}
