// Qt's own Chinese texts for the standard buttons and dialogs ("确定",
// "取消"), for a host that has not installed any.
#ifndef VELMO_PLUGIN_VELMO_TRANSLATIONS_H
#define VELMO_PLUGIN_VELMO_TRANSLATIONS_H

// Installs Qt's Simplified Chinese translation (qtbase_zh_CN from Qt's
// translations folder) unless the application already translates Qt's
// standard buttons. True when Qt's texts are Chinese afterwards. Needs the
// application object; call on the GUI thread.
bool velmo_load_qt_translations();

#endif
