// Character records of NCDAT.ALL.
#pragma once
