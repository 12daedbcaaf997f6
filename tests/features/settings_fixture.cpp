#include "settings_fixture.h"

const char* const SETTINGS_TEST_INI =
    "[OtherParams]\n"
    "newstyle=1\n"
    "oldstyle=1\n"
    "movewpsd=0\n"
    "ServiceUrl=http://127.0.0.1:1/service\n"
    "OpenTimeout=5\n"
    "SendTimeout=6\n"
    "ReceiveTimeout=7\n"
    "CheckWordsCount=1500\n"
    "PosCount=3\n"
    "MaxWords=200000\n"
    "[CheckType]\n"
    "CheckSentence=1\n"
    "CheckMatchDots=1\n"
    "CheckLeaderSort=0\n"
    "[CheckExtendInfo]\n"
    "Weight=2\n"
    "ProfType=13\n"
    "UserErr=1\n"
    "TaiWan=0\n"
    "Leader=1\n"
    "FanTi=0\n"
    "ChkEng=1\n"
    "RepeatSentence=1\n"
    "[Way]\n"
    "ColorWay=1\n"
    "[UserInfo]\n"
    "UserName=alice\n"
    "AuthNo=A-1\n"
    "[Color]\n"
    "Error=6\n"
    "Fallibility=7\n"
    "Update=4\n"
    "Find=3\n"
    "[ClearColor]\n"
    "ErrorFlag=0\n"
    "FallibilityFlag=1\n"
    "UpdateFlag=0\n"
    "FindFlag=0\n"
    "[UserLibraryList]\n"
    "IsSelectIndex=0\n"
    "UserLibrary=/tmp/words.txt\n";

void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

ini_values_t parse_ini(const QByteArray& text) {
    ini_values_t values;
    QString section;
    for (const QString& raw : QString::fromUtf8(text).split('\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith('[') && line.endsWith(']')) {
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const int equals = line.indexOf('=');
        if (equals > 0)
            values[{section, line.left(equals).trimmed()}] = line.mid(equals + 1).trimmed();
    }
    return values;
}

void settings_test::SetUp() {
    use_ini(SETTINGS_TEST_INI);
    plugin_test::SetUp();
}

void settings_test::TearDown() {
    EXPECT_EQ(ini_file(), initial_ini) << "the system settings file was written";
    plugin_test::TearDown();
}

ini_values_t settings_test::ini_on_disk() const {
    ini_values_t values = parse_ini(ini_file());
    const ini_values_t user = parse_ini(user_ini_file());
    for (auto it = user.begin(); it != user.end(); ++it) values[it.key()] = it.value();
    return values;
}

void settings_test::use_ini(const std::string& ini_text) {
    plugin_test::use_ini(ini_text);
    initial_ini = QByteArray::fromStdString(ini_text);
}

QStringList settings_test::changed_keys() const {
    const ini_values_t before = parse_ini(initial_ini);
    const ini_values_t after = ini_on_disk();
    QStringList changed;
    for (auto it = before.begin(); it != before.end(); ++it)
        if (!after.contains(it.key()) || after.value(it.key()) != it.value())
            changed << it.key().first + "/" + it.key().second;
    for (auto it = after.begin(); it != after.end(); ++it)
        if (!before.contains(it.key())) changed << it.key().first + "/" + it.key().second;
    changed.sort();
    return changed;
}

void settings_test::click(QWidget* parent, const QString& text) {
    QAbstractButton* button = child<QAbstractButton>(parent, text);
    ASSERT_NE(button, nullptr) << text.toStdString();
    button->click();
}
