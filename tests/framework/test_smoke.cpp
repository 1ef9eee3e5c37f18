#include <gtest/gtest.h>

#include "framework/Elements.h"
#include "framework/e_Class.h"

using namespace zelto;

TEST(Smoke, RegistryKnowsStringEntity) {
    ASSERT_NE(GetZeltoClass("TStringEntity"), nullptr);
}
