// Dynamic properties, property handles and instance inspectors.
#include <gtest/gtest.h>

#include "framework/E_Type.h"
#include "framework/e_Class.h"
#include "framework/e_Props.h"

#include <memory>

using namespace zelto;

TEST(TypesDynamicProperties, SettersCreateTypedValuesFoundIgnoringCase) {
    TDynamicProperties bag;
    EXPECT_FALSE(bag.HasPropertyByName("N"));
    EXPECT_EQ(bag.GetPropertyLongIntByName("N"), 0);
    EXPECT_EQ(bag.GetPropertyStringByName("N"), "");
    EXPECT_FALSE(bag.GetPropertyBooleanByName("N"));

    bag.SetPropertyLongIntByName("N", 7);
    EXPECT_EQ(bag.GetPropertyLongIntByName("n"), 7);
    EXPECT_TRUE(bag.HasPropertyByName("n"));
    bag.SetPropertyStringByName(QStringLiteral("Poznámka"), QStringLiteral("mýtina"));
    bag.SetPropertyBooleanByName("Hotovo", true);
    EXPECT_EQ(bag.GetPropertyStringByName(QStringLiteral("POZNÁMKA")), QStringLiteral("mýtina"));
    EXPECT_TRUE(bag.GetPropertyBooleanByName("hotovo"));
    EXPECT_EQ(bag.GetPropertyIntByName("N"), 7);

    ASSERT_EQ(bag.ElementsCount(), 3);
    EXPECT_EQ(bag.Get(0)->ClassName(), "TIntegerElement");
    EXPECT_EQ(bag.Get(1)->ClassName(), "TStringElement");
    EXPECT_EQ(bag.Get(2)->ClassName(), "TBooleanElement");

    // An existing value converts by its own rules; nothing new is added.
    bag.SetPropertyStringByName("n", "12x");
    EXPECT_EQ(bag.GetPropertyLongIntByName("N"), 7);
    bag.SetPropertyStringByName("n", "12");
    EXPECT_EQ(bag.GetPropertyStringByName("N"), "12");
    bag.SetPropertyLongIntByName("hotovo", 0); // a Boolean value has no integer setter
    EXPECT_TRUE(bag.GetPropertyBooleanByName("Hotovo"));
    bag.SetPropertyBooleanByName("HOTOVO", false);
    EXPECT_EQ(bag.GetPropertyStringByName("Hotovo"), "false");
    EXPECT_EQ(bag.ElementsCount(), 3);
}

TEST(TypesDynamicProperties, SelfCopyIsIndependent) {
    auto* bag = new TDynamicProperties;
    bag->SetName("Vlastnosti");
    bag->SetPropertyStringByName("ETAZ", "1");
    bag->SetPropertyLongIntByName("ROK", 2023);
    bag->SetPropertyBooleanByName("Viditelne", true);
    TStringEntity target;
    auto* ptr = new TPointerElement;
    ptr->SetName("Odkaz");
    ptr->SetAsPointer(&target);
    bag->AddElement(ptr);

    std::unique_ptr<TDynamicProperties> copy(bag->MakeSelfCopy());
    ASSERT_EQ(copy->ElementsCount(), bag->ElementsCount());
    EXPECT_EQ(copy->GetName(), "Vlastnosti");
    for (int i = 0; i < bag->ElementsCount(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NE(copy->Get(i), bag->Get(i));
        EXPECT_EQ(copy->Get(i)->ClassName(), bag->Get(i)->ClassName());
        EXPECT_EQ(copy->Get(i)->GetName(), bag->Get(i)->GetName());
        EXPECT_TRUE(copy->Get(i)->IsMyOwner(copy.get()));
        EXPECT_FALSE(copy->Get(i)->IsMyOwner(bag));
    }
    EXPECT_EQ(copy->GetPropertyStringByName("etaz"), "1");
    EXPECT_EQ(copy->GetPropertyLongIntByName("rok"), 2023);
    EXPECT_TRUE(copy->GetPropertyBooleanByName("viditelne"));
    EXPECT_EQ(zelto_cast<TTypeElement>(copy->FindValue("odkaz"))->GetAsPointer(), &target);

    copy->SetPropertyLongIntByName("ROK", 2024);
    EXPECT_EQ(bag->GetPropertyLongIntByName("ROK"), 2023);
    delete bag; // the copy keeps its own values
    EXPECT_EQ(copy->GetPropertyLongIntByName("ROK"), 2024);
    EXPECT_EQ(copy->GetPropertyStringByName("ETAZ"), "1");
}

TEST(TypesProperty, HandleOnADeclaredProperty) {
    TIntegerElement value;
    value.FValue = 12;
    TProperty p;
    EXPECT_FALSE(p.GetStored());
    EXPECT_EQ(p.GetPropString(), "");
    p.SetInstance(&value);
    p.SetPropIndex(GetPropIndex(&value, "Value"));
    EXPECT_EQ(p.GetName(), "Value");
    EXPECT_TRUE(p.GetStored());
    EXPECT_EQ(p.GetTypeKind(), tkInteger);
    EXPECT_EQ(p.GetPropLongInt(), 12);
    p.SetPropString("-3");
    EXPECT_EQ(value.FValue, -3);
    EXPECT_EQ(p.GetPropString(), "-3");

    p.SetPropIndex(GetPropIndex(&value, "AsString"));
    EXPECT_FALSE(p.GetStored());
    EXPECT_EQ(p.GetPropLongInt(), 0) << "a string property has no ordinal value";

    // An entry of an unrelated class is never applied to this object.
    const TClassInfo& other = TStringListElement::StaticClass();
    p.SetPropInfo(other.property(other.propertyIndex("Separator")));
    EXPECT_EQ(p.FPropInfo, nullptr);
    EXPECT_EQ(p.GetPropString(), "");
    p.SetPropString("x");
    EXPECT_EQ(value.FValue, -3);
    // An inherited entry is the instance's own.
    p.SetPropInfo(TElement::StaticClass().property(TElement::StaticClass().propertyIndex("Name")));
    ASSERT_NE(p.FPropInfo, nullptr);
    p.SetPropString("hodnota");
    EXPECT_EQ(value.GetName(), "hodnota");
}

TEST(TypesInstanceProperties, InspectsAnyObject) {
    TInstanceProperties insp;
    EXPECT_EQ(insp.GetInstClassName(), "Unknown class");
    EXPECT_EQ(insp.GetPropCount(), 0);

    TIntegerElement value;
    value.SetName("n");
    value.FValue = 5;
    SetObjectPropByName(&insp, "Instance", &value);
    EXPECT_EQ(insp.GetName(), "TIntegerElement_Instance");
    EXPECT_EQ(insp.GetInstClassName(), "TIntegerElement");
    EXPECT_EQ(insp.GetPropCount(), TIntegerElement::StaticClass().propertyCount());

    insp.SetPropName("value");
    EXPECT_EQ(insp.GetPropName(), "Value");
    EXPECT_EQ(insp.IGetPropString(), "5");
    EXPECT_EQ(insp.GetPropKind(), tkInteger);
    insp.ISetPropString("9");
    EXPECT_EQ(value.FValue, 9);
    insp.SetPropName("nothing");
    EXPECT_EQ(insp.GetActualProperty(), nullptr);
    EXPECT_EQ(insp.IGetPropString(), "");
    insp.ISetPropIndex(GetPropIndex(&value, "AsString"));
    EXPECT_EQ(insp.IGetPropString(), "9");
    insp.ISetPropIndex(999);
    EXPECT_EQ(insp.IGetPropIndex(), -1);

    // By name: the inspector's own properties first, then the instance's.
    insp.FDelimiter = ";";
    EXPECT_TRUE(insp.HasPropertyByName("AsFloat"));
    EXPECT_FALSE(insp.HasPropertyByName("NoSuch"));
    EXPECT_EQ(insp.GetPropertyStringByName("Delimiter"), ";");
    EXPECT_EQ(insp.GetPropertyStringByName("Value"), "9");
    insp.SetPropertyStringByName("asstring", "12");
    EXPECT_EQ(value.FValue, 12);
    insp.SetPropertyStringByName("Name", "inspektor");
    EXPECT_EQ(insp.GetName(), "inspektor");
    EXPECT_EQ(value.GetName(), "n");

    insp.SetList(true);
    EXPECT_EQ(insp.ElementsCount(), insp.GetPropCount());
    EXPECT_EQ(insp.GetStringByName("Value"), "12");
    EXPECT_EQ(insp.GetStringByName("Name"), "n");
    EXPECT_EQ(insp.GetStringByName("TypeAsString"), "integer");
    insp.SetList(true); // replaces, does not append
    EXPECT_EQ(insp.ElementsCount(), insp.GetPropCount());
}
