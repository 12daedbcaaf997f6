// .docx documents in the simulated Writer host: opening a package builds the
// document with the host's builder (paragraphs, tables, contents, sections,
// bookmarks, highlights); saving writes the package back with the host's
// marks, highlights and corrections in its main part. A document opened here
// saves itself as a package (Save, Close, wps_sim::save_document); when the
// package cannot express the document, nothing is written.
#ifndef DOCX_DOCUMENT_H
#define DOCX_DOCUMENT_H

#include <QString>
#include <memory>

#include "docx_package.h"
#include "docx_stories.h"
#include "wps_sim.h"
#include "wpsapi.h"

// True when the file name ends with ".docx" (any case).
bool docx_is_package_name(const QString& file_path);

struct docx_source;

// What a host program may want besides the document: the text outside the
// main body, the writer installed as the document's save handler (for
// programs that wrap it), and what docx_open_story opens stories from.
struct docx_opened {
    std::vector<docx_story> stories;
    wps_sim::save_handler writer;
    std::shared_ptr<docx_source> source;
};

// Opens the package in `app` (it becomes the active document). The
// document's name and directory, where it saves itself, are those of
// `save_path`, or of the file read when that is empty. Null with `error` set
// when the file is refused; `opened`, when given, is filled on success.
kfc::ks_stdptr<wpsapi::_Document> docx_open(wpsapi::_Application* app, const QString& file_path,
                                            QString& error,
                                            const docx_limits& limits = docx_limits(),
                                            const QString& save_path = QString(),
                                            docx_opened* opened = nullptr);

// Opens the stories `indexes` of `opened` (one or more, each with its own
// paragraphs) as a host document of their own, which becomes the active
// document: their paragraphs, tables, highlights and bookmarks. When the
// main document saves itself, what each story's stretch of that document
// then holds is written into the story's part, so the document is closed
// only after that; saving it on its own writes nothing. Null with `error`
// set when the host cannot hold it.
kfc::ks_stdptr<wpsapi::_Document> docx_open_stories(wpsapi::_Application* app,
                                                    const docx_opened& opened,
                                                    const std::vector<size_t>& indexes,
                                                    QString& error);

#endif
