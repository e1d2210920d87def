#include "ListeningLog.h"

Q_LOGGING_CATEGORY(lcListening, "tk.listening", QtInfoMsg)
