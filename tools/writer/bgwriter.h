// Background records of NBGFILE1.ALL.
#pragma once
