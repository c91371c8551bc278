#include "engine/message_box.h"

MessageBoxFunction g_engineMessageBox = MessageBoxA;
