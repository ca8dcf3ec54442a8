#pragma once

#define IDI_APP 1
#define IDR_CREDIT_PICTURE 2
