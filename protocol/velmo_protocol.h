// The names of the proofreading service protocol: namespaces, operations,
// the elements of requests and answers, and the values with a fixed meaning.
// The client (src/api), the reference service, the fake service of the tests
// and the benchmarks all spell the wire format from here. Macros, so that
// the client can splice them into its envelope texts at compile time.
#ifndef VELMO_PROTOCOL_H
#define VELMO_PROTOCOL_H

// Namespaces.
#define VELMO_PROTOCOL_NS "urn:velmo:proofreading"
#define VELMO_SOAP12_NS "http://www.w3.org/2003/05/soap-envelope"
#define VELMO_XSD_NS "http://www.w3.org/2001/XMLSchema"
#define VELMO_XSI_NS "http://www.w3.org/2001/XMLSchema-instance"

// Operations. An answer is <OpResponse><OpResult>…</OpResult></OpResponse>.
#define VELMO_OP_GET_PID "GetCheckArticlePIDByUser"
#define VELMO_OP_UPLOAD "UpLoadCheckArticle"
#define VELMO_OP_PROGRESS "GetCheckArticleProgress"
#define VELMO_OP_RESULT "GetCheckArticleResult"
#define VELMO_OP_CHECK_USER "CheckUser"
#define VELMO_OP_USER_INFO "GetUserInfo"
#define VELMO_OP_CHECK_DETAIL "GetUserCheckDetail"
#define VELMO_OP_WORDS_LIST "GetWordsList"
#define VELMO_OP_ADD_WORDS "AddWords"
#define VELMO_OP_DELETE_WORDS "DeleteWords"
#define VELMO_RESPONSE_SUFFIX "Response"
#define VELMO_RESULT_SUFFIX "Result"

// Request elements.
#define VELMO_REQ_USER_NAME "userName"
#define VELMO_REQ_AUTH_NO "authNo"
#define VELMO_REQ_PID "pid"
#define VELMO_REQ_TOKEN "token"
#define VELMO_REQ_ARTICLE "article"
#define VELMO_REQ_QUERY_DATE "queryDate"
#define VELMO_REQ_PAGE_INDEX "pageIndex"
#define VELMO_REQ_LIB_TYPE "libType"
#define VELMO_REQ_WORDS "words"
// The upload's options: two groups of 0/1 flags and small numbers.
#define VELMO_REQ_CHECK_TYPE "checkType"
#define VELMO_OPT_LEADER_SORT "CheckLeaderSort"
#define VELMO_OPT_MATCH_DOTS "CheckMatchDots"
#define VELMO_OPT_SENTENCE "CheckSentence"
#define VELMO_REQ_CHECK_EXTEND "checkExtendInfo"
#define VELMO_OPT_DEFAULT "ChkDefault"
#define VELMO_OPT_ENGLISH "ChkEng"
#define VELMO_OPT_RESULT_TYPE "ChkReturnResultType"
#define VELMO_OPT_TRADITIONAL "FanTi"
#define VELMO_OPT_HTML_TAG "HtmlTag"
#define VELMO_OPT_LEADER "Leader"
#define VELMO_OPT_NEED_SUGGESTIONS "Needsug"
#define VELMO_OPT_PROF_TYPE "ProfType"
#define VELMO_OPT_TAIWAN "TaiWan"
#define VELMO_OPT_USER_ERRORS "UserErr"
#define VELMO_OPT_WEIGHT "Weight"

// Answer elements.
#define VELMO_ANS_ERR_CODE "ErrCode"
#define VELMO_ANS_ERR_MSG "ErrMsg"
#define VELMO_ANS_PID "PID"
#define VELMO_ANS_CHECK_RESULT "CheckResult"
#define VELMO_ANS_POS "Pos"
#define VELMO_ANS_LEVEL "level"
#define VELMO_ANS_ERR_WORD "ErrWord"
#define VELMO_ANS_COR_WORD "CorWord"
#define VELMO_ANS_MESSAGE "Message"  // optional: why the text is an error
#define VELMO_ANS_STRING "string"    // one suggestion, or one word of a word list
#define VELMO_ANS_USER_STATE "UserState"
#define VELMO_ANS_REMAINING_WORDS "ReMainingWordsCount"
#define VELMO_ANS_AUTH_END_TIME "AuthEndTime"
#define VELMO_ANS_AUTH_WORDS "AuthWordsCount"
#define VELMO_ANS_CHECK_WORDS "CheckWordsCount"
#define VELMO_ANS_CUR_CHECK_WORDS "CurCheckWordsCount"
#define VELMO_ANS_PAGE_INDEX "PageIndex"
#define VELMO_ANS_PAGE_NO "PageNo"
#define VELMO_ANS_TOTAL_COUNT "TotalCount"
#define VELMO_ANS_CHECK_DETAIL "UserCheckDetail"
#define VELMO_ANS_CHECK_TIME "CheckTime"

// Values of "level": what the service found.
#define VELMO_LEVEL_VALUE_ERROR 1
#define VELMO_LEVEL_VALUE_SUSPECT 2
#define VELMO_LEVEL_VALUE_SERIOUS 3

// "ErrCode" 0: accepted.
#define VELMO_ERR_CODE_OK 0

#endif
