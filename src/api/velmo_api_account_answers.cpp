#include "api/velmo_api_answer_document.h"
#include "api/velmo_api_answers.h"
#include "velmo_protocol.h"

namespace {

// Date-time texts of a usage row: "T" becomes a space, at most 16 characters.
QString row_text(void* row, const char* name) {
    QString text = velmo_api_child_text(row, name);
    text.replace(QLatin1Char('T'), QLatin1Char(' '));
    return text.left(16);
}

// A 64-bit count, 0 for a text that is not a number.
qint64 count_value(const QString& text) {
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? value : 0;
}

QString decimal_difference(qint64 minuend, qint64 subtrahend) {
    qint64 difference;
    if (!__builtin_sub_overflow(minuend, subtrahend, &difference))
        return QString::number(difference);
    // Only counts near the 64-bit limits get here: write the exact difference.
    __int128 wide = static_cast<__int128>(minuend) - subtrahend;
    const bool negative = wide < 0;
    unsigned __int128 magnitude = negative ? -static_cast<unsigned __int128>(wide) : wide;
    QString digits;
    do {
        digits.prepend(QChar('0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    return negative ? QLatin1Char('-') + digits : digits;
}

}  // namespace

int velmo_api_read_checkuser(const char* body, QString& message) {
    velmo_api_answer_document answer(body);
    QString code;
    const bool has_code = answer.first_text(VELMO_ANS_ERR_CODE, code);
    answer.first_text(VELMO_ANS_ERR_MSG, message);
    return has_code ? velmo_api_parse_int(code) : -1;
}

int velmo_api_read_userinfo(const char* body, velmo_userinfo_t& info) {
    velmo_api_answer_document answer(body);
    answer.first_text(VELMO_ANS_USER_STATE, info.user_state);
    answer.first_text(VELMO_ANS_REMAINING_WORDS, info.remaining_words);
    QString end_time;
    if (!answer.first_text(VELMO_ANS_AUTH_END_TIME, end_time)) return -1;
    info.auth_end_time = end_time.left(10);
    return 0;
}

int velmo_api_read_details(const char* body, velmo_details_t& details) {
    velmo_api_answer_document answer(body);
    answer.first_text(VELMO_ANS_AUTH_WORDS, details.auth_words_count);
    answer.first_text(VELMO_ANS_TOTAL_COUNT, details.total_count);
    answer.first_text(VELMO_ANS_AUTH_END_TIME, details.auth_end_time);
    if (answer.first_text(VELMO_ANS_CHECK_WORDS, details.check_words_count))
        details.remaining_words = decimal_difference(count_value(details.auth_words_count),
                                                     count_value(details.check_words_count));
    answer.first_text(VELMO_ANS_CUR_CHECK_WORDS, details.cur_check_words_count);
    answer.first_text(VELMO_ANS_PAGE_INDEX, details.page_index);
    answer.first_text(VELMO_ANS_PAGE_NO, details.page_no);
    sp_xpath_result_t rows;
    if (!answer.find_all(VELMO_ANS_CHECK_DETAIL, rows)) return -1;
    for (int i = 0; i < rows.count; ++i)
        details.details.append(
            velmo_details_once_t{row_text(rows.nodes[i], VELMO_ANS_CHECK_TIME),
                                 row_text(rows.nodes[i], VELMO_ANS_CHECK_WORDS)});
    return 0;
}

int velmo_api_read_words(const char* body, QList<QString>& words, int& page_no, int& total_count) {
    words.clear();
    velmo_api_answer_document answer(body);
    if (!answer.is_xml()) return -1;
    QString text;
    if (answer.first_text(VELMO_ANS_PAGE_NO, text)) page_no = velmo_api_parse_int(text);
    if (answer.first_text(VELMO_ANS_TOTAL_COUNT, text)) total_count = velmo_api_parse_int(text);
    sp_xpath_result_t nodes;
    if (!answer.find_all(VELMO_ANS_STRING, nodes)) return -1;
    for (int i = 0; i < nodes.count; ++i) {
        if (velmo_api_node_text(nodes.nodes[i], text)) words.append(text);
    }
    return words.isEmpty() ? -1 : 0;
}
