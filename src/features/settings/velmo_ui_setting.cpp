#include "features/settings/velmo_ui_setting.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextCodec>
#include <QVBoxLayout>

#include "config/velmo_config.h"
#include "features/common/velmo_message.h"
#include "features/common/velmo_ui_fit.h"
#include "features/common/velmo_ui_settings_save.h"
#include "features/settings/velmo_settings_commands.h"

namespace {

constexpr int DIALOG_SIDE = 400;
constexpr int REPOSITORY_COLUMNS = 3;
constexpr int LABEL_WIDTH = 85;
constexpr int EDIT_HEIGHT = 25;

struct setting_key_t {
    const char* section;
    const char* key;
};

struct check_option_t {
    setting_key_t setting;
    const char* caption;
    bool written;  // "检查重句" only shows its setting
};

const setting_key_t WEIGHT_KEY = {"CheckExtendInfo", "Weight"};
const setting_key_t PROF_TYPE_KEY = {"CheckExtendInfo", "ProfType"};
const setting_key_t COLOR_WAY_KEY = {"Way", "ColorWay"};
const setting_key_t RESULT_LIST_KEY = {"Way", "ResultList"};

struct text_field_t {
    setting_key_t setting;
    const char* label;
};

constexpr int CHECK_WORDS_FIELD = 0;  // stored as a number

const text_field_t TEXT_FIELDS[] = {
    {{"OtherParams", "CheckWordsCount"}, QT_TRANSLATE_NOOP("velmo_ui_setting", "批次校对字数:")},
    {{"OtherParams", "PosCount"}, QT_TRANSLATE_NOOP("velmo_ui_setting", "纠错偏移量:")},
    {{"OtherParams", "ServiceUrl"}, QT_TRANSLATE_NOOP("velmo_ui_setting", "服务地址:")},
};

const char* const WEIGHT_CAPTIONS[velmo_ui_setting::WEIGHT_COUNT] = {
    QT_TRANSLATE_NOOP("velmo_ui_setting", "快速校对"),
    QT_TRANSLATE_NOOP("velmo_ui_setting", "一般校对"),
    QT_TRANSLATE_NOOP("velmo_ui_setting", "严格校对"),
};

const check_option_t CHECK_OPTIONS[velmo_ui_setting::OPTION_COUNT] = {
    {{"CheckExtendInfo", "UserErr"},
     QT_TRANSLATE_NOOP("velmo_ui_setting", "校对用户自定义错误"),
     true},
    {{"CheckExtendInfo", "ChkEng"}, QT_TRANSLATE_NOOP("velmo_ui_setting", "校对英文"), true},
    {{"CheckType", "CheckMatchDots"}, QT_TRANSLATE_NOOP("velmo_ui_setting", "校对标点"), true},
    {{"CheckExtendInfo", "TaiWan"}, QT_TRANSLATE_NOOP("velmo_ui_setting", "检查台湾问题"), true},
    {{"CheckExtendInfo", "FanTi"}, QT_TRANSLATE_NOOP("velmo_ui_setting", "检查也作/曾用词"), true},
    {{"CheckExtendInfo", "Leader"},
     QT_TRANSLATE_NOOP("velmo_ui_setting", "检查领导人和重点词"),
     true},
    {{"CheckType", "CheckLeaderSort"},
     QT_TRANSLATE_NOOP("velmo_ui_setting", "检查领导人排序"),
     true},
    {{"CheckExtendInfo", "RepeatSentence"},
     QT_TRANSLATE_NOOP("velmo_ui_setting", "检查重句"),
     false},
};

struct check_repo_t {
    int index;  // the ProfType value
    const char* caption;
};

// The professional libraries, in button order.
const check_repo_t check_repos[velmo_ui_setting::REPOSITORY_COUNT] = {
    {0, QT_TRANSLATE_NOOP("velmo_ui_setting", "自动判断")},
    {1, QT_TRANSLATE_NOOP("velmo_ui_setting", "农林牧渔/植物")},
    {2, QT_TRANSLATE_NOOP("velmo_ui_setting", "新闻外交政治哲学")},
    {3, QT_TRANSLATE_NOOP("velmo_ui_setting", "物理力学数学")},
    {4, QT_TRANSLATE_NOOP("velmo_ui_setting", "化学石化冶金\n煤炭原子矿冶")},
    {5, QT_TRANSLATE_NOOP("velmo_ui_setting", "教育体育少儿")},
    {6, QT_TRANSLATE_NOOP("velmo_ui_setting", "机械纺织轻工")},
    {7, QT_TRANSLATE_NOOP("velmo_ui_setting", "建筑土木水利铁道")},
    {8, QT_TRANSLATE_NOOP("velmo_ui_setting", "文学戏曲戏剧美术\n音乐电影广播电视")},
    {9, QT_TRANSLATE_NOOP("velmo_ui_setting", "天文大气气象")},
    {10, QT_TRANSLATE_NOOP("velmo_ui_setting", "图书语言印刷")},
    {11, QT_TRANSLATE_NOOP("velmo_ui_setting", "法律法学宗教\n民族藏学")},
    {12, QT_TRANSLATE_NOOP("velmo_ui_setting", "测绘计量")},
    {13, QT_TRANSLATE_NOOP("velmo_ui_setting", "医学生物心理")},
    {14, QT_TRANSLATE_NOOP("velmo_ui_setting", "军事航空航天")},
    {15, QT_TRANSLATE_NOOP("velmo_ui_setting", "历史考古文物")},
    {16, QT_TRANSLATE_NOOP("velmo_ui_setting", "经济证券会计\n财政审计")},
    {17, QT_TRANSLATE_NOOP("velmo_ui_setting", "地理地质海洋地震")},
    {18, QT_TRANSLATE_NOOP("velmo_ui_setting", "交通邮电环境\n海运")},
    {19, QT_TRANSLATE_NOOP("velmo_ui_setting", "电脑电子控制\n电力自动电工")},
};

velmo_singleton_config* config() { return velmo_singleton_config::instance(); }

int read_int(const setting_key_t& setting) {
    return config()->get_int(setting.section, setting.key);
}

QString read_text(const setting_key_t& setting) {
    return QString::fromLocal8Bit(config()->get_string(setting.section, setting.key));
}

// False for a text the locale's 8-bit encoding cannot hold, or that came
// from bytes it could not decode (which writing back would destroy).
bool locale_can_store(const QString& text) {
    const QTextCodec* codec = QTextCodec::codecForLocale();
    return !text.contains(QChar::ReplacementCharacter) && !text.contains(QChar(0)) &&
           (codec == nullptr || codec->canEncode(text));
}

// The field's caption without its colon, as a message names it.
QString field_name(int field) {
    QString name = velmo_ui_setting::tr(TEXT_FIELDS[field].label);
    name.chop(1);
    return name;
}

// Index of the first checked button, or -1.
template <int N>
int checked_index(QRadioButton* const (&buttons)[N]) {
    for (int i = 0; i < N; ++i)
        if (buttons[i]->isChecked()) return i;
    return -1;
}

}  // namespace

velmo_ui_setting::velmo_ui_setting(QWidget* parent) : QDialog(parent) { init_ui(); }

QString velmo_ui_setting::stored_text(const QString& typed) {
    QString text = typed;
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    return text.trimmed();
}

int velmo_ui_setting::check_words_from_text(const QString& text) {
    bool number = false;
    const qlonglong value = text.trimmed().toLongLong(&number);
    if (!number || value < MIN_CHECK_WORDS) return MIN_CHECK_WORDS;
    if (value > MAX_CHECK_WORDS) return MAX_CHECK_WORDS;
    return static_cast<int>(value);
}

void velmo_ui_setting::init_ui() {
    setWindowTitle(tr("参数设置"));
    resize(DIALOG_SIDE, DIALOG_SIDE);
    new QVBoxLayout(this);
    tab_widget = new QTabWidget(this);
    static_cast<QVBoxLayout*>(layout())->addWidget(tab_widget);
    init_ui_1();
    init_ui_2();
    init_ui_3();
    init_ui_4();
    shown = current_values();
}

velmo_ui_setting::shown_values_t velmo_ui_setting::current_values() const {
    shown_values_t values;
    values.weight = checked_index(weight_buttons);
    values.errata = errata_check_box->isChecked();
    values.result_list = result_list_check_box->isChecked();
    for (int i = 0; i < OPTION_COUNT; ++i) values.options[i] = option_check_boxes[i]->isChecked();
    values.repository = checked_index(repository_buttons);
    return values;
}

// "一般选项": speed/quality and the errata table on the left, the check
// options on the right.
void velmo_ui_setting::init_ui_1() {
    auto* tab = new QWidget(tab_widget);
    auto* columns = new QHBoxLayout(tab);
    auto* left = new QVBoxLayout;

    auto* weight_group = new QGroupBox(tr("校对速度/质量"), tab);
    auto* weight_column = new QVBoxLayout(weight_group);
    const int weight = read_int(WEIGHT_KEY);
    for (int i = 0; i < WEIGHT_COUNT; ++i) {
        weight_buttons[i] = new QRadioButton(tr(WEIGHT_CAPTIONS[i]), weight_group);
        weight_buttons[i]->setChecked(i == weight);
        weight_column->addWidget(weight_buttons[i]);
    }
    left->addWidget(weight_group);

    auto* errata_group = new QGroupBox(tr("校对设置"), tab);
    auto* errata_column = new QVBoxLayout(errata_group);
    errata_check_box = new QCheckBox(tr("自动生成勘误表"), errata_group);
    errata_check_box->setChecked(read_int(COLOR_WAY_KEY) != 0);
    errata_column->addWidget(errata_check_box);
    result_list_check_box = new QCheckBox(tr("校对后打开校对结果"), errata_group);
    result_list_check_box->setChecked(read_int(RESULT_LIST_KEY) != 0);
    errata_column->addWidget(result_list_check_box);
    left->addWidget(errata_group);
    columns->addLayout(left);

    auto* option_group = new QGroupBox(tr("可选项"), tab);
    auto* option_column = new QVBoxLayout(option_group);
    for (int i = 0; i < OPTION_COUNT; ++i) {
        option_check_boxes[i] = new QCheckBox(tr(CHECK_OPTIONS[i].caption), option_group);
        option_check_boxes[i]->setChecked(read_int(CHECK_OPTIONS[i].setting) != 0);
        option_column->addWidget(option_check_boxes[i]);
    }
    columns->addWidget(option_group);
    tab_widget->addTab(tab, tr("一般选项"));
}

// "挂接专业库": the professional libraries in three columns.
void velmo_ui_setting::init_ui_2() {
    auto* tab = new QWidget(tab_widget);
    auto* grid = new QGridLayout(tab);
    const int prof_type = read_int(PROF_TYPE_KEY);
    for (const check_repo_t& repo : check_repos) {
        QRadioButton* button = new QRadioButton(tr(repo.caption), tab);
        button->setChecked(repo.index == prof_type);
        grid->addWidget(button, repo.index / REPOSITORY_COLUMNS, repo.index % REPOSITORY_COLUMNS);
        repository_buttons[repo.index] = button;
    }
    tab_widget->addTab(tab, tr("挂接专业库"));
}

// "其他参数": piece length, correction offset and service address.
void velmo_ui_setting::init_ui_3() {
    auto* tab = new QWidget(tab_widget);
    new QVBoxLayout(tab);
    QList<QLabel*> captions;
    for (int i = 0; i < TEXT_FIELD_COUNT; ++i) {
        shown_texts[i] = read_text(TEXT_FIELDS[i].setting);
        text_edits[i] = add_line_edit(tab, tr(TEXT_FIELDS[i].label), shown_texts[i], captions);
    }
    velmo_fit_labels(captions, LABEL_WIDTH);
    static_cast<QVBoxLayout*>(tab->layout())->addStretch();
    tab_widget->addTab(tab, tr("其他参数"));
}

// A labelled row with a line edit showing the text; the label joins `captions`.
QLineEdit* velmo_ui_setting::add_line_edit(QWidget* tab, const QString& label, const QString& text,
                                           QList<QLabel*>& captions) {
    auto* row = new QHBoxLayout;
    auto* caption = new QLabel(label, tab);
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    captions << caption;
    auto* edit = new QLineEdit(text, tab);
    velmo_fit_height(edit, EDIT_HEIGHT);
    row->addWidget(caption);
    row->addWidget(edit);
    static_cast<QVBoxLayout*>(tab->layout())->addLayout(row);
    return edit;
}

// The buttons, centred.
void velmo_ui_setting::init_ui_4() {
    auto* row = new QHBoxLayout;
    ok_button = new QPushButton(tr("确定"), this);
    cancel_button = new QPushButton(tr("取消"), this);
    row->addStretch();
    row->addWidget(ok_button);
    row->addWidget(cancel_button);
    row->addStretch();
    connect(ok_button, SIGNAL(clicked()), this, SLOT(on_ok()));
    connect(cancel_button, SIGNAL(clicked()), this, SLOT(on_cancel()));
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

bool velmo_ui_setting::write_texts() {
    QString texts[TEXT_FIELD_COUNT];
    bool changed[TEXT_FIELD_COUNT] = {};
    for (int i = 0; i < TEXT_FIELD_COUNT; ++i) {
        texts[i] = stored_text(text_edits[i]->text());
        changed[i] = texts[i] != stored_text(shown_texts[i]);
        if (changed[i] && i != CHECK_WORDS_FIELD && !locale_can_store(texts[i])) {
            velmo_message_information(
                tr("“%1”中有当前系统编码无法保存的字符, 请修改后再确认").arg(field_name(i)));
            text_edits[i]->setFocus();
            return false;
        }
    }
    velmo_singleton_config* store = config();
    for (int i = 0; i < TEXT_FIELD_COUNT; ++i) {
        if (!changed[i]) continue;
        text_edits[i]->setText(texts[i]);
        const setting_key_t& setting = TEXT_FIELDS[i].setting;
        const bool stored =
            i == CHECK_WORDS_FIELD
                ? store->set_int(setting.section, setting.key, check_words_from_text(texts[i]))
                : store->set_string(setting.section, setting.key,
                                    texts[i].toLocal8Bit().constData());
        if (!stored) {
            velmo_message_information(
                tr("“%1”的内容无法写入配置文件, 请修改后再确认").arg(field_name(i)));
            text_edits[i]->setFocus();
            return false;
        }
        shown_texts[i] = texts[i];
    }
    return true;
}

void velmo_ui_setting::write_choices() {
    velmo_singleton_config* store = config();
    const shown_values_t now = current_values();
    if (now.weight != shown.weight)
        store->set_int(WEIGHT_KEY.section, WEIGHT_KEY.key, qMax(now.weight, 0));
    if (now.errata != shown.errata)
        store->set_string(COLOR_WAY_KEY.section, COLOR_WAY_KEY.key, now.errata ? "1" : "0");
    if (now.result_list != shown.result_list)
        store->set_string(RESULT_LIST_KEY.section, RESULT_LIST_KEY.key,
                          now.result_list ? "1" : "0");
    for (int i = 0; i < OPTION_COUNT; ++i)
        if (CHECK_OPTIONS[i].written && now.options[i] != shown.options[i])
            store->set_int(CHECK_OPTIONS[i].setting.section, CHECK_OPTIONS[i].setting.key,
                           now.options[i] ? 1 : 0);
    if (now.repository >= 0 && now.repository != shown.repository)
        store->set_int(PROF_TYPE_KEY.section, PROF_TYPE_KEY.key, now.repository);
    shown = now;
}

void velmo_ui_setting::on_ok() {
    // Texts first: one that cannot be stored keeps the dialog open before
    // anything else changed.
    if (!write_texts()) return;
    write_choices();
    if (!velmo_ui_save_settings()) return;
    accept();
}

void velmo_ui_setting::on_cancel() { reject(); }

int velmo_cb_setting(QList<QVariant>&) {
    // A confirm whose save failed, then "取消", leaves the settings as they were.
    velmo_config_undo undo;
    velmo_ui_setting dialog;
    if (dialog.exec() != QDialog::Accepted) undo.restore();
    return 0;
}
