#pragma once

#include <QLoggingCategory>

// The speech input's messages ("tk.listening"): warnings and information by
// default; debug messages describe each utterance the worker decodes.
Q_DECLARE_LOGGING_CATEGORY(lcListening)
