/*
 * tessary_ask.h: questions a module asks the user through Tessary, and
 * warnings it leaves for the user.
 *
 * A module that needs a file name or a few numbers from the user (an import
 * module its file, a filter its settings) asks the host instead of showing a
 * window of its own: the editor answers with its own dialogs, the batch
 * program and tests from their scripts. The questions come as a suite that
 * the host procedure of any parameter block hands out:
 *
 *     intptr_t word = 0;
 *     if (block->hostSignature == TSPI_HOST_SIGNATURE && block->hostProc != NULL)
 *         block->hostProc(TSPI_HOST_ASK_SUITE, &word);
 *     const TsPiAskSuite* ask = (const TsPiAskSuite*)word;
 *
 * (tspiAskSuite() below does exactly that.) A null suite means a host that
 * asks nothing: the module then does without, as it does when a question
 * answers TSPI_ERR_HOST_INSUFFICIENT. The parameter blocks keep their layout;
 * only the host procedure, which does nothing for every other selector,
 * serves this one.
 *
 * Every question answers with one of:
 *   TSPI_NO_ERR                 the user answered; the answer is written
 *   TSPI_ERR_USER_CANCELED      the user declined; nothing is written. A
 *                               module normally ends its run with this same
 *                               code, which the host takes as a quiet cancel
 *   TSPI_ERR_HOST_INSUFFICIENT  nobody can answer here (no dialogs, no
 *                               script); nothing is written
 *   TSPI_ERR_PARAMETER          the question itself is malformed (null or
 *                               unterminated text, a buffer of no size, a
 *                               count or range out of bounds), or the
 *                               chosen path does not fit the buffer given
 *
 * Text is UTF-8 and NUL-terminated; the host reads at most
 * TSPI_ASK_MAX_TEXT bytes of any text (longer text is malformed). The host
 * writes answers only into memory the module passes, within the sizes the
 * module gives, and keeps no pointer after the call returns. Questions may
 * be asked from any selector while the module is being called.
 *
 * Valid C99 and C++.
 */
#ifndef TESSARY_ASK_H
#define TESSARY_ASK_H

#include "tessary_plugin.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Selector of the host procedure: `data` points at a pointer-sized word
 * that receives the address of the host's TsPiAskSuite (left alone by a
 * host without one). The suite stays valid while the module is loaded. */
#define TSPI_HOST_ASK_SUITE ((int16_t)0x4153) /* "AS" */

#define TSPI_ASK_SUITE_VERSION 1
#define TSPI_ASK_SUITE_COUNT 3

/* Longest text the host reads (title, filter, label, key, suggested name),
 * terminating NUL included. */
#define TSPI_ASK_MAX_TEXT 1024
/* Most numbers one question may ask for. */
#define TSPI_ASK_MAX_NUMBERS 8
/* A path buffer of this size holds any path the host answers with. */
#define TSPI_ASK_PATH_CAPACITY TSPI_FILE_SPEC_PATH_CAPACITY

/* File name filters: choices separated by ";;", each a description followed
 * by its patterns in parentheses, e.g.
 * "TIFF files (*.tif *.tiff);;All files (*)". Null or empty: any file. */

/* Asks for an existing file to open. On TSPI_NO_ERR `path` holds its full
 * path, NUL-terminated, in at most `pathCapacity` bytes. `title` may be null
 * (the host then uses the module's name). */
typedef TsPiResult(TSPI_CALL* TsPiAskOpenFileProc)(const char* title, const char* filter,
                                                   char* path, int32_t pathCapacity);

/* Asks for a file to save to, starting from `suggestedName` (a name without
 * folder, or null). The file need not exist; when it does, the user has
 * agreed to replace it. */
typedef TsPiResult(TSPI_CALL* TsPiAskSaveFileProc)(const char* title, const char* suggestedName,
                                                   const char* filter, char* path,
                                                   int32_t pathCapacity);

/* One number of TsPiAskNumbersProc. The module fills every field; `value`
 * is the starting value on the way in and the answer on the way out (always
 * within minimum ... maximum). `key` is a short ASCII name ("levels") that
 * scripts use to answer; `label` is what the user reads ("Levels:"). */
typedef struct TsPiAskNumber {
    const char* key;
    const char* label;
    int32_t minimum;
    int32_t maximum;
    int32_t value;
} TsPiAskNumber;

/* Asks for `count` numbers (1 ... TSPI_ASK_MAX_NUMBERS) at once. Each entry
 * needs a key and a label and minimum <= maximum; a starting value outside
 * the range is moved into it. Nothing is written unless the answer is
 * TSPI_NO_ERR, when every value holds its answer. */
typedef TsPiResult(TSPI_CALL* TsPiAskNumbersProc)(const char* title, TsPiAskNumber* numbers,
                                                  int32_t count);

typedef struct TsPiAskSuite {
    int16_t version;
    int16_t count;
    TsPiAskOpenFileProc askOpenFile;
    TsPiAskSaveFileProc askSaveFile;
    TsPiAskNumbersProc askNumbers;
} TsPiAskSuite;

/* The host's ask suite, or null when the host has none (another host, or a
 * suite older than this header expects). */
static inline const TsPiAskSuite* tspiAskSuite(TsPiFourCC hostSignature, TsPiHostProc hostProc) {
    intptr_t word = 0;
    const TsPiAskSuite* suite;
    if (hostSignature != TSPI_HOST_SIGNATURE || hostProc == NULL) return NULL;
    hostProc(TSPI_HOST_ASK_SUITE, &word);
    suite = (const TsPiAskSuite*)word;
    if (suite == NULL || suite->version < TSPI_ASK_SUITE_VERSION ||
        suite->count < TSPI_ASK_SUITE_COUNT)
        return NULL;
    return suite;
}

/* Selector of the host procedure: `data` points at a pointer-sized word
 * holding the address of a warning for the user, NUL-terminated UTF-8 text
 * of at most TSPI_ASK_MAX_TEXT bytes with the terminator: something the
 * module worked around and the user should know of (a damaged file read as
 * far as it could be). The host keeps the first warning of a run and shows
 * it once the run has ended; it sets the word to 0 when it has taken the
 * text. A host without warnings leaves the word alone, so the module knows
 * to tell the user otherwise (its diagnostics on stderr, say). */
#define TSPI_HOST_REPORT_WARNING ((int16_t)0x574E) /* "WN" */

/* Hands `text` to the host as TSPI_HOST_REPORT_WARNING describes; nonzero
 * when the host took it. */
static inline int tspiReportWarning(TsPiFourCC hostSignature, TsPiHostProc hostProc,
                                    const char* text) {
    intptr_t word = (intptr_t)text;
    if (hostSignature != TSPI_HOST_SIGNATURE || hostProc == NULL || text == NULL) return 0;
    hostProc(TSPI_HOST_REPORT_WARNING, &word);
    return word == 0;
}

/* Selector of the host procedure: `data` points at a pointer-sized word that
 * receives how many threads the module may keep busy during one call (1 or
 * more), as the user set it for the host's own work. A host that does not
 * say leaves the word alone. A module that uses threads gives the same
 * result for every count. */
#define TSPI_HOST_WORKER_THREADS ((int16_t)0x5448) /* "TH" */

/* The thread count TSPI_HOST_WORKER_THREADS answers, within 1 ... 256; 1
 * when the host does not say. */
static inline int tspiWorkerThreads(TsPiFourCC hostSignature, TsPiHostProc hostProc) {
    intptr_t word = 0;
    if (hostSignature != TSPI_HOST_SIGNATURE || hostProc == NULL) return 1;
    hostProc(TSPI_HOST_WORKER_THREADS, &word);
    return word < 1 ? 1 : word > 256 ? 256 : (int)word;
}

#if UINTPTR_MAX == 0xFFFFFFFFu
TSPI_STATIC_ASSERT(sizeof(TsPiAskSuite) == 16, TsPiAskSuite_size);
TSPI_STATIC_ASSERT(sizeof(TsPiAskNumber) == 20, TsPiAskNumber_size);
#endif

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* TESSARY_ASK_H */
