// Highlight colours: the names WordprocessingML writes in w:highlight and the
// host's colour indexes (WdColorIndex) the document model keeps.
#ifndef DOCX_HIGHLIGHT_H
#define DOCX_HIGHLIGHT_H

#include <QString>

// The colour index of a w:highlight value; 0 (no highlight) for "none" and
// for names it does not know.
int docx_highlight_index(const QString& name);
// The w:highlight value of a colour index; empty for 0 and unknown indexes.
QString docx_highlight_name(int index);

#endif
