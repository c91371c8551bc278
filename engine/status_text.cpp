#include "engine/setup_info.h"

const char* const kStatusText[kInstallStatusCount] = {
    "错误，请重新下载",  // STATUS_ERROR
    "",                  // STATUS_IDLE
    "正在读取配置文件",  // STATUS_READING_CONFIG
    "正在获取版本信息",  // STATUS_GETTING_VERSION
    "正在下载",          // STATUS_DOWNLOADING
    "正在启动安装",      // STATUS_STARTING_INSTALL
    "正在安装",          // STATUS_INSTALLING
    "安装完成",          // STATUS_COMPLETE
};

const char kInstallerVersion[] = "1.0";
const char kSetupConfigUrl[] = TANDREL_SETUP_URL;
