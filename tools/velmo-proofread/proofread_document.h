// Proofreads one document: opens it in the simulated host with the plug-in
// loaded, clicks "校对", answers the closing message, counts the marks by
// kind and writes the marked document: under its name only once it is
// complete, never an unmarked copy before. The headers, footers, notes,
// comments and text boxes of a .docx are checked each as a document of its
// own, their marks written into their parts.
#ifndef PROOFREAD_DOCUMENT_H
#define PROOFREAD_DOCUMENT_H

#include <QString>
#include <vector>

#include "docx_document.h"
#include "modal_responder.h"
#include "proofread_options.h"
#include "wps_sim.h"
#include "wpsapi.h"

// Text of a kind outside the main body ("页眉", ...): how much there is, and
// the marks found in it when it was checked.
struct proofread_part {
    QString kind;
    int places = 0;
    int chars = 0;
    int errors = 0;
    int suspects = 0;
    int serious = 0;
};

struct proofread_result {
    bool ok = false;
    QString error;  // why the document was not read, checked or written
    QString output;
    int errors = 0;  // marks by kind
    int suspects = 0;
    int serious = 0;
    int unchecked_pieces = 0;  // pieces of text the service did not check
    QString unchecked_reason;
    int unplaced_errors = 0;            // errors the service reported where the text is not theirs
    std::vector<proofread_part> parts;  // checked outside the body, by kind
    std::vector<proofread_part> parts_not_checked;
    qint64 elapsed_ms = 0;
};

class proofread_document {
  public:
    proofread_document(wpsapi::_Application* app, modal_responder& responder,
                       const proofread_options& options)
        : app_(app), responder_(responder), options_(options) {}

    proofread_result run(const QString& input);

  private:
    kfc::ks_stdptr<wpsapi::_Document> open(const QString& input, proofread_result& result,
                                           wps_sim::save_handler& writer, docx_opened& opened);
    bool check(proofread_result& result);
    // Checks every story of `opened`; returns their documents, to be closed
    // once the document is written.
    std::vector<kfc::ks_stdptr<wpsapi::_Document>> check_stories(const docx_opened& opened,
                                                                 proofread_result& result);

    wpsapi::_Application* app_;
    modal_responder& responder_;
    const proofread_options& options_;
};

#endif
