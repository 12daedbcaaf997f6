// The portable forms of Qt calls give what the Qt 5.15 calls they replace
// give, for the texts the dialogs meet.
#include <gtest/gtest.h>

#include <QFont>
#include <QGuiApplication>

#include "features/common/velmo_text_width.h"
#include "host/velmo_portable_qt.h"

namespace {

TEST(PortableQt, SplitCutsLikeQtAndKeepsEmptyParts) {
    for (const char* text : {"", "a", "a\n", "\na", "a\n\nb", "\n", "一\n二\n三\n"})
        EXPECT_EQ(velmo_split(QString::fromUtf8(text), "\n"),
                  QString::fromUtf8(text).split(QLatin1Char('\n')))
            << text;
    EXPECT_EQ(velmo_split("甲||乙||", "||"), (QStringList{"甲", "乙", ""}));
    EXPECT_EQ(velmo_split("|||", "||"), (QStringList{"", "|"}));
}

// One pass, markers taken lowest first: a value holding a marker stays as it
// is, as with QString::arg(a, b, …).
TEST(PortableQt, ArgsReplaceLikeQtsMultiArg) {
    struct replaced {
        const char* pattern;
        QStringList values;
    };
    const replaced cases[] = {
        {"%1/%2", {"文件夹%2", "名%1"}},
        {"%2-%1", {"x", "y"}},
        {"%1%1 %3", {"a", "b"}},
        {"%1%2: %3(建议: %4): 第%5页第%6行\n", {"错误", "1", "%3", "%4", "2", "10"}},
        {"100% %1 %12", {"p", "q"}},
    };
    for (const replaced& c : cases) {
        const QString pattern = QString::fromUtf8(c.pattern);
        QString expected = pattern;
        if (c.values.size() == 2) expected = pattern.arg(c.values[0], c.values[1]);
        if (c.values.size() == 6)
            expected = pattern.arg(c.values[0], c.values[1], c.values[2], c.values[3], c.values[4],
                                   c.values[5]);
        EXPECT_EQ(velmo_args(pattern, c.values), expected) << c.pattern;
    }
}

TEST(PortableQt, TextWidthIsTheAdvanceOfTheLine) {
    static int argc = 1;
    static char name[] = "portable_qt_test";
    static char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);
    const QFontMetrics metrics(QFont("Sans", 12));
    for (const char* line : {"", "校对结果", "Proofreading 2026", "a  b"})
        EXPECT_EQ(velmo_text_width(metrics, QString::fromUtf8(line)),
                  metrics.horizontalAdvance(QString::fromUtf8(line)))
            << line;
}

}  // namespace
