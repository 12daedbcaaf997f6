#include <sp.h>

#include "api/velmo_api_answer_document.h"
#include "api/velmo_api_answers.h"
#include "api/velmo_api_job.h"
#include "velmo_protocol.h"

int velmo_api_read_pid(const char* body, char* pid) {
    velmo_api_answer_document answer(body);
    sp_xpath_result_t nodes;
    if (!pid || !answer.find_all(VELMO_ANS_PID, nodes)) return -1;
    const velmo_xml_text_t text = velmo_xml_get_text(nodes.nodes[0]);
    // A longer identifier would not fit the caller's buffer with its terminator.
    if (!text || sp_string_length(text.get()) >= VELMO_PID_BUFFER_SIZE) return -1;
    sp_string_copy(pid, text.get());
    return 0;
}

int velmo_api_read_error_code(const char* body, QString* message) {
    velmo_api_answer_document answer(body);
    if (message && !answer.first_text(VELMO_ANS_ERR_MSG, *message)) message->clear();
    sp_xpath_result_t nodes;
    if (!answer.find_all(VELMO_ANS_ERR_CODE, nodes)) return -1;
    QString text;
    if (!velmo_api_node_text(nodes.nodes[0], text)) return 0;
    return velmo_api_parse_int(text);
}

int velmo_api_read_fault(const char* body, QString& message) {
    velmo_api_answer_document answer(body);
    if (answer.soap_fault(message)) return 1;
    message.clear();
    QString code;
    if (!answer.first_text("ErrCode", code) || velmo_api_parse_int(code) == 0) return 0;
    if (!answer.first_text("ErrMsg", message)) message.clear();
    return 1;
}

int velmo_api_read_upload(const char* body) {
    velmo_api_answer_document answer(body);
    sp_xpath_result_t nodes;
    return answer.find_all(VELMO_OP_UPLOAD VELMO_RESPONSE_SUFFIX, nodes) ? 0 : -1;
}

int velmo_api_read_progress(const char* body) {
    velmo_api_answer_document answer(body);
    QString text;
    if (!answer.first_text(VELMO_OP_PROGRESS VELMO_RESULT_SUFFIX, text)) return -1;
    return velmo_api_parse_int(text);
}

namespace {

velmo_check_result_t read_check_result(void* node) {
    velmo_check_result_t record;
    QString text;
    if (velmo_api_node_text(velmo_xml_get_child(node, VELMO_ANS_POS), text))
        record.pos = velmo_api_parse_int(text);
    if (velmo_api_node_text(velmo_xml_get_child(node, VELMO_ANS_LEVEL), text))
        record.level = velmo_api_parse_int(text);
    record.err_word = velmo_api_child_text(node, VELMO_ANS_ERR_WORD);
    if (void* corrections = velmo_xml_get_child(node, VELMO_ANS_COR_WORD)) {
        void* suggestions[VELMO_MAX_SUGGESTIONS];
        const int count = velmo_xml_get_children(corrections, VELMO_ANS_STRING, suggestions,
                                                 VELMO_MAX_SUGGESTIONS);
        QStringList words;
        for (int i = 0; i < count; ++i) {
            if (velmo_api_node_text(suggestions[i], text)) words << text;
        }
        record.cor_word = words.join(QLatin1String(VELMO_SUGGESTION_SEPARATOR));
    }
    // Optional: an answer without it reads as before.
    record.message = velmo_api_child_text(node, VELMO_ANS_MESSAGE);
    record.span_by_correction = 0;
    return record;
}

}  // namespace

int velmo_api_read_results(const char* body, QList<velmo_check_result_t>& results) {
    results.clear();
    velmo_api_answer_document answer(body);
    if (!answer.is_xml()) return -1;
    sp_xpath_result_t nodes;
    if (!answer.find_all(VELMO_ANS_CHECK_RESULT, nodes)) return 0;
    for (int i = 0; i < nodes.count; ++i) results.append(read_check_result(nodes.nodes[i]));
    return 0;
}
