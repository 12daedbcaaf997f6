// The corpus: varied packages made by python-docx and rewritten as other
// writers lay them out (tests/docx/make_corpus.py). Each is opened, marked
// and corrected at random places, saved and read again: nothing crashes,
// nothing is refused, the written file reads back as the host's document,
// and every other part is kept byte for byte.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <random>

#include "docx_document.h"
#include "docx_test_support.h"
#include "wps_test_util.h"

using namespace wps_test;

namespace {

QStringList bookmark_list(wpsapi::_Document* doc) {
    QStringList out;
    for (const auto& b : wps_sim::document_bookmarks(doc))
        out << QStringLiteral("%1 %2-%3").arg(b.name).arg(b.start).arg(b.end);
    out.sort();
    return out;
}

// The highlights of the characters in runs: paragraph and cell marks carry
// none in a package.
QVector<int> run_highlights(wpsapi::_Document* doc) {
    const QString text = wps_sim::document_text(doc);
    QVector<int> out = wps_sim::document_highlights(doc);
    for (int i = 0; i < out.size() && i < text.size(); ++i)
        if (text.at(i) == QChar(13) || text.at(i) == QChar(7) || text.at(i) == QChar(11))
            out[i] = 0;
    return out;
}

bool ordinary(const QString& text, long at) {
    return text.at(static_cast<int>(at)).unicode() >= 32;
}

// Bookmarks with highlights and one correction at random places.
void mark_at_random(wpsapi::_Document* doc, std::mt19937& random) {
    const QString text = wps_sim::document_text(doc);
    const long length = text.size();
    for (int i = 0; i < 12; ++i) {
        const long start = static_cast<long>(random() % length);
        const long end = std::min<long>(length, start + static_cast<long>(random() % 6));
        ASSERT_EQ(S_OK, add_bookmark(doc, QStringLiteral("vmjd_c_%1").arg(i), start, end));
        if (end > start)
            range(doc, start, end)
                ->put_HighlightColorIndex(i % 2 ? wpsapi::wdYellow : wpsapi::wdBrightGreen);
    }
    for (int attempt = 0; attempt < 50 && length > 2; ++attempt) {
        const long at = static_cast<long>(random() % (length - 2));
        if (!ordinary(text, at) || !ordinary(text, at + 1)) continue;
        set_text(doc, at, at + 2, QStringLiteral("校正"));
        return;
    }
}

}  // namespace

TEST(docx_corpus, varied_packages_are_marked_written_and_read_back_equal) {
    QTemporaryDir dir;
    QProcess make;
    make.start(QStringLiteral("/usr/bin/python3"),
               {QString::fromLocal8Bit(qgetenv("VELMO_SOURCE_DIR")) +
                    QStringLiteral("/tests/docx/make_corpus.py"),
                dir.filePath("in")});
    ASSERT_TRUE(make.waitForFinished(120000));
    ASSERT_EQ(make.exitCode(), 0) << make.readAllStandardError().toStdString();
    const QFileInfoList files = QDir(dir.filePath("in")).entryInfoList({"*.docx"}, QDir::Files);
    ASSERT_GE(files.size(), 20);
    QDir().mkpath(dir.filePath("out"));
    std::mt19937 random(33);
    for (const QFileInfo& file : files) {
        SCOPED_TRACE(file.fileName().toStdString());
        auto app = wps_sim::create_application();
        QString error;
        kfc::ks_stdptr<wpsapi::_Document> doc = docx_open(app, file.filePath(), error);
        ASSERT_TRUE(doc) << error.toStdString();
        mark_at_random(doc, random);
        const QString out = dir.filePath("out/" + file.fileName());
        ASSERT_TRUE(wps_sim::save_document(doc, out, error)) << error.toStdString();

        kfc::ks_stdptr<wpsapi::_Document> back = docx_open(app, out, error);
        ASSERT_TRUE(back) << error.toStdString();
        EXPECT_EQ(wps_sim::document_text(back), wps_sim::document_text(doc));
        EXPECT_EQ(run_highlights(back), run_highlights(doc));
        EXPECT_EQ(bookmark_list(back), bookmark_list(doc));
        auto input_parts = zip_parts(read_bytes(file.filePath()));
        auto output_parts = zip_parts(read_bytes(out));
        ASSERT_EQ(input_parts.size(), output_parts.size());
        for (int i = 0; i < input_parts.size(); ++i) {
            EXPECT_EQ(output_parts[i].first, input_parts[i].first);
            if (input_parts[i].first != QLatin1String("word/document.xml")) {
                EXPECT_EQ(output_parts[i].second, input_parts[i].second)
                    << input_parts[i].first.toStdString();
            }
        }
    }
}
