// Peak memory of opening a .docx whose main part is nothing but empty
// paragraphs, placing a mark and saving it, in a child process each, at two
// sizes: the peak against the length of the text shows what the reader and
// the writer keep per character.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <QTemporaryDir>
#include <cstdio>

#include "docx_document.h"
#include "host/velmo_host.h"
#include "wps_sim.h"

namespace {

bool write_package(const QString& path, const QByteArray& xml) {
    int code = 0;
    zip_t* archive = zip_open(path.toUtf8().constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) return false;
    zip_source_t* data = zip_source_buffer(archive, xml.constData(), xml.size(), 0);
    return zip_file_add(archive, "word/document.xml", data, 0) >= 0 && zip_close(archive) == 0;
}

// Opens, marks and saves in this process; the exit status says whether it worked.
int open_mark_save(const QString& in, const QString& out) {
    auto app = wps_sim::create_application();
    QString error;
    kfc::ks_stdptr<wpsapi::_Document> doc = docx_open(app, in, error);
    if (!doc) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    if (qEnvironmentVariableIsSet("DOCX_BENCH_OPEN_ONLY")) return 0;
    kfc::ks_stdptr<wpsapi::Range> range;
    VARIANT start = kfc::var_i8(10), end = kfc::var_i8(12);
    doc->Range(&start, &end, &range);
    range->put_HighlightColorIndex(wpsapi::wdYellow);
    if (!wps_sim::save_document(doc, out, error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}

// Peak resident memory of a child that opens, marks and saves, in MiB.
double peak_mib(const QString& in, const QString& out) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(open_mark_save(in, out));
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    struct rusage usage;
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss / 1024.0;
}

}  // namespace

int main() {
    QTemporaryDir dir;
    double previous = 0;
    for (const int mib : {4, 16}) {
        const qint64 paragraphs = (qint64(mib) << 20) / 6;
        QByteArray xml =
            "<?xml version=\"1.0\"?><w:document "
            "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>";
        xml.reserve(static_cast<int>(paragraphs * 6 + 200));
        xml += "<w:p><w:r><w:t>0123456789abcdef</w:t></w:r></w:p>";
        for (qint64 i = 0; i < paragraphs; ++i) xml += "<w:p/>";
        xml += "</w:body></w:document>";
        const QString in = dir.filePath(QStringLiteral("large%1.docx").arg(mib));
        if (!write_package(in, xml)) return 1;
        xml.clear();
        xml.squeeze();
        // Children's peaks are a maximum over all children so far: the
        // sizes go up.
        const double peak = peak_mib(in, dir.filePath(QStringLiteral("out%1.docx").arg(mib)));
        if (peak < 0) return 1;
        std::printf(
            "%d MiB of empty paragraphs (%lld characters): peak %.0f MiB, %.0f bytes per "
            "character\n",
            mib, paragraphs + 17, peak, peak * 1048576.0 / (paragraphs + 17));
        previous = peak;
    }
    return previous > 0 ? 0 : 1;
}
