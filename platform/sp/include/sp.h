/* libsp: the support library the plug-in is linked against.
 * INI store, HTTP POST of a SOAP envelope, small string and memory helpers
 * and a sleep in microseconds. Plain C interface. */
#ifndef SP_H
#define SP_H

#include <stddef.h>

/* Every function below is exported from libsp.so; the rest stays hidden. */
#if defined(__GNUC__)
#define SP_API __attribute__((visibility("default")))
#else
#define SP_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- INI store ---------------------------------------------------------
 * Sections in brackets, key=value lines, ';' and '#' comment lines.
 * Names match case-sensitively. Values are kept byte for byte. */
typedef struct sp_ini sp_ini_t;

/* Parses the file; null with errno telling why when it is missing, cannot be
 * read or is not text. */
SP_API sp_ini_t* sp_ini_parse_file(const char* path);
/* Parses a NUL-terminated text as a file's content would be parsed ("" gives
 * an empty store); null for a null text. */
SP_API sp_ini_t* sp_ini_parse_text(const char* text);
/* strtol-like conversion of the value: 0 when absent or when any argument is null. */
SP_API int sp_ini_get_int(sp_ini_t* ini, const char* section, const char* key);
/* The value owned by the store (valid until the key is written again or the
 * store is freed); null when absent or when any argument is null. */
SP_API const char* sp_ini_get_string(sp_ini_t* ini, const char* section, const char* key);
/* Set in memory, creating section and key when absent; a text value is kept
 * without surrounding blanks and line ends, as the file would give it back.
 * 0 on success, -1 on a null argument or a name or value that would not read
 * back the same (a line break inside the value). */
SP_API int sp_ini_set_int(sp_ini_t* ini, const char* section, const char* key, int value);
SP_API int sp_ini_set_string(sp_ini_t* ini, const char* section, const char* key,
                             const char* value);
/* Takes the key out of the section (every line of it, duplicates included);
 * the section's header and the other lines stay. 0 when the key was there,
 * -1 when it was not or an argument is null. */
SP_API int sp_ini_remove(sp_ini_t* ini, const char* section, const char* key);
/* Writes the whole store atomically (temporary file in the same directory,
 * then rename); when the directory takes no new file but the file itself is
 * writable, rewrites the file in place, keeping the old content in
 * "<path>.bak" when that can be written. 0 on success, -1 on failure with
 * errno telling why. */
SP_API int sp_ini_save_file(sp_ini_t* ini, const char* path);
SP_API void sp_ini_free(sp_ini_t* ini);

/* ---- String buffer ----------------------------------------------------- */
typedef struct sp_string_buffer sp_string_buffer_t;
/* The buffer's text, NUL-terminated; "" for a null buffer. */
SP_API const char* sp_string_buffer_string(const sp_string_buffer_t* buffer);
/* Its length in bytes (the text may hold NUL bytes before the end). */
SP_API size_t sp_string_buffer_length(const sp_string_buffer_t* buffer);

/* ---- HTTP --------------------------------------------------------------- */
typedef struct sp_http_response {
    int status;               /* HTTP status code */
    sp_string_buffer_t* body; /* the answer body */
} sp_http_response_t;

/* Posts the envelope (Content-Type application/soap+xml; charset=utf-8).
 * timeout_seconds bounds the whole call; 0 or less means 60 seconds, more
 * than 2147483 (the most libcurl takes) means 2147483.
 * Null when no answer was obtained (null or malformed URL, refused
 * connection, time-out, an answer over 16 MiB, a stop through the calling
 * thread's abort test); errno is then EFBIG when the answer was over
 * 16 MiB, and something else otherwise. Safe to call from several threads
 * at once. */
SP_API sp_http_response_t* sp_http_post_soap(const char* url, int timeout_seconds,
                                             const char* envelope);
SP_API void sp_http_response_free(sp_http_response_t* response);
/* Sets the calling thread's abort test: while a request of this thread is in
 * flight it is polled (at least about once a second), and a non-zero result
 * ends the request with no answer. A null test removes it. */
typedef int (*sp_http_abort_fn)(void* context);
/* Selects the calling thread's channel (0 to 15, 0 at first; others count
 * as 0) for its next calls: each channel keeps its own open connection, so
 * that jobs in flight together do not take turns on one. */
SP_API void sp_http_set_channel(int channel);
SP_API void sp_http_set_abort(sp_http_abort_fn test, void* context);

/* ---- Strings and memory ------------------------------------------------ */
SP_API size_t sp_string_length(const char* text); /* 0 for null */
SP_API int sp_string_equal(
    const char* a, const char* b); /* non-zero when byte for byte equal; both null are equal */
SP_API char* sp_string_copy(char* dest, const char* src); /* strcpy; returns dest */
SP_API void* sp_calloc(size_t count, size_t size);
SP_API void sp_free(void* block);

/* ---- Time -------------------------------------------------------------- */
SP_API void sp_usleep(unsigned long microseconds);

#ifdef __cplusplus
}
#endif

#endif /* SP_H */
