#include "docx_highlight.h"

namespace {

struct colour {
    int index;
    const char* name;
};

const colour k_colours[] = {
    {1, "black"},    {2, "blue"},        {3, "cyan"},       {4, "green"},
    {5, "magenta"},  {6, "red"},         {7, "yellow"},     {8, "white"},
    {9, "darkBlue"}, {10, "darkCyan"},   {11, "darkGreen"}, {12, "darkMagenta"},
    {13, "darkRed"}, {14, "darkYellow"}, {15, "darkGray"},  {16, "lightGray"},
};

}  // namespace

int docx_highlight_index(const QString& name) {
    for (const colour& c : k_colours)
        if (name == QLatin1String(c.name)) return c.index;
    return 0;
}

QString docx_highlight_name(int index) {
    for (const colour& c : k_colours)
        if (c.index == index) return QLatin1String(c.name);
    return QString();
}
