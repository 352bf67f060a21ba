#include "Link_config.h"

LinkConfig link_config;
