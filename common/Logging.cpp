#include "common/Logging.h"

Q_LOGGING_CATEGORY(lcApp, "bilvaro.app")
Q_LOGGING_CATEGORY(lcLines, "bilvaro.lines")
Q_LOGGING_CATEGORY(lcReference, "bilvaro.reference")
Q_LOGGING_CATEGORY(lcDocument, "bilvaro.document")
Q_LOGGING_CATEGORY(lcPrint, "bilvaro.print")
Q_LOGGING_CATEGORY(lcUpdate, "bilvaro.update")
Q_LOGGING_CATEGORY(lcPlatform, "bilvaro.platform")
Q_LOGGING_CATEGORY(lcTools, "bilvaro.tools")
Q_LOGGING_CATEGORY(lcServer, "bilvaro.server")
