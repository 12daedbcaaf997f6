// The XML reading layer: parsing, XPath lookups, child matching by local
// name, and refusal of answers that declare entities.
#include "api/velmo_xml.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>
#include <string>

#include "fake_service.h"

namespace {

const char ANSWER[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<soap12:Envelope xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\"><soap12:Body>"
    "<R xmlns=\"urn:velmo:proofreading\">"
    "<Item>one<b>-bold-</b>two</Item>"
    "<Item>second</Item>"
    "<Other xmlns=\"urn:elsewhere\">x</Other>"
    "<Rec><Name>n1</Name><x:Name xmlns:x=\"urn:elsewhere\">n2</x:Name>text<!--c--><Name/></Rec>"
    "</R></soap12:Body></soap12:Envelope>";

struct xml_context {
    explicit xml_context(const char* text) : handle(velmo_xml_parse(text)) {
        if (handle) velmo_xml_register_ns(handle, "i", "urn:velmo:proofreading");
    }
    ~xml_context() { velmo_xml_free(handle); }
    void* handle;
};

std::string text_of(void* node) {
    velmo_xml_text_t text = velmo_xml_get_text(node);
    return text ? text.get() : "<null>";
}

}  // namespace

TEST(velmo_xml, parse_refuses_what_is_not_well_formed_xml) {
    EXPECT_EQ(velmo_xml_parse(nullptr), nullptr);
    EXPECT_EQ(velmo_xml_parse(""), nullptr);
    EXPECT_EQ(velmo_xml_parse("not xml at all"), nullptr);
    EXPECT_EQ(velmo_xml_parse("<a><b></a>"), nullptr);
    EXPECT_EQ(velmo_xml_parse("<a/><b/>"), nullptr);
    EXPECT_EQ(velmo_xml_parse("<html><body>Bad gateway</body>"), nullptr);
    void* minimal = velmo_xml_parse("<a/>");
    EXPECT_NE(minimal, nullptr);
    velmo_xml_free(minimal);
    velmo_xml_free(nullptr);
}

TEST(velmo_xml, xpath_fills_the_out_record_only_on_a_match) {
    xml_context xml(ANSWER);
    ASSERT_NE(xml.handle, nullptr);
    sp_xpath_result_t result;
    ASSERT_EQ(velmo_xml_xpath(xml.handle, "//i:Item", &result), 0);
    ASSERT_EQ(result.count, 2);
    EXPECT_EQ(text_of(result.nodes[0]), "one-bold-two");
    EXPECT_EQ(text_of(result.nodes[1]), "second");

    sp_xpath_result_t untouched;
    untouched.nodes = reinterpret_cast<void**>(&untouched);
    untouched.count = 77;
    EXPECT_EQ(velmo_xml_xpath(xml.handle, "//i:Missing", &untouched), -1);
    EXPECT_EQ(velmo_xml_xpath(xml.handle, "//i:Other", &untouched), -1);        // other namespace
    EXPECT_EQ(velmo_xml_xpath(xml.handle, "//Item", &untouched), -1);           // no namespace
    EXPECT_EQ(velmo_xml_xpath(xml.handle, "count(//i:Item)", &untouched), -1);  // not a node-set
    EXPECT_EQ(velmo_xml_xpath(xml.handle, "//i:[", &untouched), -1);            // not an expression
    EXPECT_EQ(velmo_xml_xpath(xml.handle, "//j:Item", &untouched), -1);         // unknown prefix
    EXPECT_EQ(untouched.count, 77);
    EXPECT_EQ(untouched.nodes, reinterpret_cast<void**>(&untouched));

    // A later lookup works after failed ones.
    ASSERT_EQ(velmo_xml_xpath(xml.handle, "//i:Rec", &result), 0);
    EXPECT_EQ(result.count, 1);
}

TEST(velmo_xml, children_are_matched_by_local_name_in_document_order) {
    xml_context xml(ANSWER);
    sp_xpath_result_t result;
    ASSERT_EQ(velmo_xml_xpath(xml.handle, "//i:Rec", &result), 0);
    void* record = result.nodes[0];

    EXPECT_EQ(text_of(velmo_xml_get_child(record, "Name")), "n1");
    EXPECT_EQ(velmo_xml_get_child(record, "name"), nullptr);  // case matters
    EXPECT_EQ(velmo_xml_get_child(record, "Missing"), nullptr);
    EXPECT_EQ(velmo_xml_get_child(nullptr, "Name"), nullptr);

    void* names[4] = {};
    ASSERT_EQ(velmo_xml_get_children(record, "Name", names, 4), 3);
    EXPECT_EQ(text_of(names[0]), "n1");
    EXPECT_EQ(text_of(names[1]), "n2");  // namespace not considered
    EXPECT_EQ(text_of(names[2]), "");    // empty element reads as empty text
    EXPECT_EQ(names[3], nullptr);

    // Never more than the capacity, whatever the answer holds.
    void* bounded[2] = {};
    void* guard = &guard;
    EXPECT_EQ(velmo_xml_get_children(record, "Name", bounded, 1), 1);
    EXPECT_EQ(bounded[1], nullptr);
    EXPECT_EQ(velmo_xml_get_children(record, "Nothing", bounded, 2), 0);
    EXPECT_EQ(guard, &guard);

    EXPECT_EQ(text_of(nullptr), "<null>");
}

TEST(velmo_xml, predefined_entities_and_character_references_are_read) {
    xml_context xml("<R xmlns=\"urn:velmo:proofreading\"><T>a&lt;b&amp;c&#x7532;&#20057;</T></R>");
    sp_xpath_result_t result;
    ASSERT_EQ(velmo_xml_xpath(xml.handle, "//i:T", &result), 0);
    EXPECT_EQ(text_of(result.nodes[0]), "a<b&c\xE7\x94\xB2\xE4\xB9\x99");
}

// Answers that declare entities are refused before any of them is resolved:
// no file is read, no connection is made, no expansion takes place.
TEST(velmo_xml, answers_declaring_entities_are_refused_without_touching_anything) {
    QTemporaryDir dir;
    const std::string secret_path = dir.filePath("secret.txt").toStdString();
    std::ofstream(secret_path) << "SECRET";
    fake_service witness;

    const std::string file_entity =
        "<?xml version=\"1.0\"?><!DOCTYPE R [<!ENTITY x SYSTEM \"file://" + secret_path +
        "\">]>"
        "<R xmlns=\"urn:velmo:proofreading\"><T>&x;</T></R>";
    const std::string network_entity = "<?xml version=\"1.0\"?><!DOCTYPE R [<!ENTITY x SYSTEM \"" +
                                       witness.url() +
                                       "x\">]>"
                                       "<R xmlns=\"urn:velmo:proofreading\"><T>&x;</T></R>";
    const std::string external_dtd = "<?xml version=\"1.0\"?><!DOCTYPE R SYSTEM \"" +
                                     witness.url() +
                                     "dtd\"><R xmlns=\"urn:velmo:proofreading\"><T>t</T></R>";
    const std::string parameter_entity =
        "<?xml version=\"1.0\"?><!DOCTYPE R [<!ENTITY % p SYSTEM \"" + witness.url() +
        "p\"> %p;]>"
        "<R xmlns=\"urn:velmo:proofreading\"><T>t</T></R>";
    std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE R [<!ENTITY l0 \"lol\">";
    for (int i = 1; i <= 9; ++i) {
        laughs += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j) laughs += "&l" + std::to_string(i - 1) + ";";
        laughs += "\">";
    }
    laughs += "]><R xmlns=\"urn:velmo:proofreading\"><T>&l9;</T></R>";
    const std::string harmless_doctype =
        "<?xml version=\"1.0\"?><!DOCTYPE R><R xmlns=\"urn:velmo:proofreading\"><T>t</T></R>";

    for (const std::string& body :
         {file_entity, network_entity, external_dtd, parameter_entity, laughs, harmless_doctype}) {
        void* context = velmo_xml_parse(body.c_str());
        EXPECT_EQ(context, nullptr) << body.substr(0, 120);
        velmo_xml_free(context);
    }
    EXPECT_TRUE(witness.requests().empty());

    // An undeclared entity reference is simply not well-formed.
    EXPECT_EQ(velmo_xml_parse("<R xmlns=\"urn:velmo:proofreading\"><T>&x;</T></R>"), nullptr);
}
