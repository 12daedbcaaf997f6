#include "docx_compound.h"

#include <QtEndian>
#include <vector>

namespace {

const QByteArray k_magic = QByteArray::fromHex("d0cf11e0a1b11ae1");
constexpr quint32 k_end_of_chain = 0xFFFFFFFE;
constexpr quint32 k_max_regular_sector = 0xFFFFFFFA;
constexpr int k_header_difat_entries = 109;
constexpr int k_directory_entry_bytes = 128;
constexpr int k_stream_entry = 2;
constexpr int k_root_entry = 5;

class compound_file {
  public:
    explicit compound_file(const QByteArray& file) : file_(file) {}

    bool open() {
        if (file_.size() < 512 || !docx_is_compound_file(file_)) return false;
        const int shift = u16(0x1E), mini_shift = u16(0x20);
        if ((shift != 9 && shift != 12) || mini_shift != 6) return false;
        sector_bytes_ = 1 << shift;
        mini_cutoff_ = u32(0x38);
        if (!read_fat()) return false;
        QByteArray directory;
        if (!chain(fat_, u32(0x30), sector_bytes_, 0, directory, false)) return false;
        directory_ = directory;
        if (directory_.size() < k_directory_entry_bytes || entry_type(0) != k_root_entry)
            return false;
        // The mini stream (the root entry's data) holds the small streams.
        if (!chain(fat_, entry_start(0), sector_bytes_, entry_size(0), mini_stream_, true))
            return false;
        QByteArray mini_fat;
        if (u32(0x3C) < k_max_regular_sector &&
            !chain(fat_, u32(0x3C), sector_bytes_, 0, mini_fat, false))
            return false;
        mini_fat_ = entries(mini_fat);
        return true;
    }

    bool stream(const QString& name, QByteArray& out) const {
        for (int i = 1; (i + 1) * k_directory_entry_bytes <= directory_.size(); ++i) {
            if (entry_type(i) != k_stream_entry ||
                entry_name(i).compare(name, Qt::CaseInsensitive) != 0)
                continue;
            const qint64 size = entry_size(i);
            if (size < mini_cutoff_) return mini_chain(entry_start(i), size, out);
            return chain(fat_, entry_start(i), sector_bytes_, size, out, true);
        }
        return false;
    }

  private:
    quint16 u16(qint64 at) const {
        return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(file_.constData() + at));
    }
    quint32 u32(qint64 at) const {
        return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(file_.constData() + at));
    }
    static quint32 u32_of(const QByteArray& bytes, qint64 at) {
        return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(bytes.constData() + at));
    }

    qint64 sector_count() const { return file_.size() / sector_bytes_ - 1; }
    QByteArray sector(quint32 index) const {
        return file_.mid((static_cast<qint64>(index) + 1) * sector_bytes_, sector_bytes_);
    }

    static std::vector<quint32> entries(const QByteArray& table) {
        std::vector<quint32> out;
        for (qint64 at = 0; at + 4 <= table.size(); at += 4) out.push_back(u32_of(table, at));
        return out;
    }

    // The allocation table: its sectors are listed in the header and in the
    // chain of DIFAT sectors after it.
    bool read_fat() {
        std::vector<quint32> fat_sectors;
        for (int i = 0; i < k_header_difat_entries; ++i) fat_sectors.push_back(u32(0x4C + 4 * i));
        quint32 difat = u32(0x44);
        for (qint64 seen = 0; difat < k_max_regular_sector; ++seen) {
            if (difat >= sector_count() || seen > sector_count()) return false;
            const std::vector<quint32> listed = entries(sector(difat));
            fat_sectors.insert(fat_sectors.end(), listed.begin(), listed.end() - 1);
            difat = listed.back();
        }
        QByteArray table;
        for (quint32 s : fat_sectors) {
            if (s >= k_max_regular_sector) continue;
            if (s >= sector_count()) return false;
            table += sector(s);
        }
        fat_ = entries(table);
        return !fat_.empty();
    }

    // The data of a chain of sectors from `start`, cut to `size` when
    // `sized`. A chain that loops, leaves the table or ends before the size
    // is damage.
    bool chain(const std::vector<quint32>& table, quint32 start, int unit, qint64 size,
               QByteArray& out, bool sized, const QByteArray* within = nullptr) const {
        out.clear();
        const qint64 units = within ? within->size() / unit : sector_count();
        for (quint32 s = start; s != k_end_of_chain; s = table[s]) {
            if (s >= table.size() || s >= units || out.size() > units * unit) return false;
            out += within ? within->mid(static_cast<qint64>(s) * unit, unit) : sector(s);
            if (sized && out.size() >= size) break;
        }
        if (!sized) return true;
        if (out.size() < size) return false;
        out.truncate(static_cast<int>(size));
        return true;
    }
    bool mini_chain(quint32 start, qint64 size, QByteArray& out) const {
        if (size == 0) {
            out.clear();
            return true;
        }
        return chain(mini_fat_, start, 64, size, out, true, &mini_stream_);
    }

    qint64 entry(int i) const { return static_cast<qint64>(i) * k_directory_entry_bytes; }
    int entry_type(int i) const { return static_cast<uchar>(directory_.at(entry(i) + 0x42)); }
    quint32 entry_start(int i) const { return u32_of(directory_, entry(i) + 0x74); }
    // Version 3 files keep the high half of the size undefined.
    qint64 entry_size(int i) const {
        const quint32 low = u32_of(directory_, entry(i) + 0x78);
        const quint32 high = sector_bytes_ == 512 ? 0 : u32_of(directory_, entry(i) + 0x7C);
        return static_cast<qint64>(high) << 32 | low;
    }
    QString entry_name(int i) const {
        const int bytes = qMin<int>(qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(
                                        directory_.constData() + entry(i) + 0x40)),
                                    64);
        QString name = QString::fromUtf16(
            reinterpret_cast<const char16_t*>(directory_.constData() + entry(i)), bytes / 2);
        while (name.endsWith(QChar(0))) name.chop(1);
        return name;
    }

    const QByteArray& file_;
    int sector_bytes_ = 512;
    qint64 mini_cutoff_ = 4096;
    std::vector<quint32> fat_;
    std::vector<quint32> mini_fat_;
    QByteArray directory_;
    QByteArray mini_stream_;
};

}  // namespace

bool docx_is_compound_file(const QByteArray& bytes) { return bytes.startsWith(k_magic); }

bool docx_compound_stream(const QByteArray& file, const QString& name, QByteArray& out) {
    compound_file compound(file);
    return compound.open() && compound.stream(name, out);
}
