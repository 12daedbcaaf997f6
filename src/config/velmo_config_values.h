// Settings read within the range their user accepts, so that a value typed
// into velmo.ini by hand cannot make a consumer refuse or misuse it.
#ifndef VELMO_CONFIG_VELMO_CONFIG_VALUES_H
#define VELMO_CONFIG_VELMO_CONFIG_VALUES_H

// Longest time-out libcurl takes, in seconds (its limit is INT_MAX ms).
constexpr int VELMO_MAX_TIMEOUT_SECONDS = 2147483;

// Check strengths run from 0 (快速) to 2 (严格); professional fields from 0
// (automatic) to 19.
constexpr int VELMO_MAX_WEIGHT = 2;
constexpr int VELMO_MAX_PROF_TYPE = 19;

// Characters per piece of a check (OtherParams/CheckWordsCount), as the
// settings dialog allows them.
constexpr int VELMO_MIN_PIECE_LENGTH = 100;
constexpr int VELMO_MAX_PIECE_LENGTH = 5000;

// The integer setting, moved to the nearer of low and high when outside.
int velmo_config_int_in(const char* section, const char* key, int low, int high);

// OtherParams/CheckWordsCount within the dialog's range: a hand-typed 5
// would cut words apart and mark their halves, an absent key gives the
// lowest length.
int velmo_config_piece_length();

// A switch setting as 0 or 1 (any non-zero value counts as 1).
int velmo_config_flag(const char* section, const char* key);

// The highlight colour index of section "Color" (key "Error", "Fallibility",
// "Update" or "Find"). A value that is no highlight colour gives the shipped
// default; that is reported in the debug output once per key.
int velmo_config_color(const char* key);

// The shipped default colour of a "Color" key (0 for an unknown key).
int velmo_config_default_color(const char* key);

#endif
