#include "generate/CPopularRanking.h"
