#pragma once

#define IDI_APP 1
// The credit picture at 100%, 150% and 200%.
#define IDR_CREDIT_PICTURE 2
#define IDR_CREDIT_PICTURE_150 3
#define IDR_CREDIT_PICTURE_200 4
