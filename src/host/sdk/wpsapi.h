// Leads to the vendor's headers; see velmo_sdk.h.
#include "velmo_sdk.h"
