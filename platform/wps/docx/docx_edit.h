// Writes the state of a document held by the host back into the main part
// it was read from: text changed by corrections is changed in place (in the
// runs it was in), every bookmark becomes a w:bookmarkStart/w:bookmarkEnd
// pair, and every highlighted stretch a w:highlight, with runs split where a
// bookmark or a change of colour falls inside them; everything else stays as
// it was.
#ifndef DOCX_EDIT_H
#define DOCX_EDIT_H

#include <QByteArray>
#include <QSet>
#include <QString>
#include <functional>
#include <string>
#include <vector>

typedef struct _xmlDoc xmlDoc;
typedef struct _xmlNode xmlNode;

struct docx_state {
    struct bookmark {
        QString name;
        int64_t start = 0;
        int64_t end = 0;
    };
    std::u16string text;
    std::vector<int> highlight;  // colour index per character
    std::vector<bookmark> bookmarks;
};

// The bookmarks the host took in when the part was read.
using docx_loaded_marks = std::vector<docx_state::bookmark>;

// The element of a parsed part whose blocks hold the state's text (a
// story's root); null when the part no longer has it. Without one the state
// is that of the main part's body.
using docx_container_finder = std::function<xmlNode*(xmlDoc*)>;

// `loaded` are the bookmarks of the original part that the host took in;
// the others (those it could not hold, such as a second bookmark of the same
// name) are left as they are. `out` is null when the state is the
// one read from the part (the part is then kept byte for byte). False with
// `error` set when the state cannot be expressed in the part (paragraphs,
// cells or images added or removed) or the result would not read back as
// the state.
// Bookmark ids are unique in the whole package: with `package_ids`, new
// ones avoid those ids too, and the part's own are added to them.
bool docx_apply_state(const QByteArray& original, const docx_loaded_marks& loaded,
                      const docx_state& state, QByteArray& out, QString& error,
                      const docx_container_finder& container = nullptr,
                      QSet<QString>* package_ids = nullptr);

// The ids of every bookmark in a part (none when it is not well-formed).
QSet<QString> docx_bookmark_ids(const QByteArray& part);

#endif
