// The local date and time in the form the daily log's formats take.
#pragma once

#include "protocol/daily_log_line.h"

LogTime LocalLogTime();
