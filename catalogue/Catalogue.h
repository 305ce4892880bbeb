// The catalogue's public interface in one include.
#pragma once

#include "catalogue/CatalogueContext.h"
#include "catalogue/Kitroster.h"
#include "catalogue/ResPropertyBag.h"
#include "catalogue/ResourceFilter.h"
#include "catalogue/ResourceItem.h"
#include "catalogue/ResourceItemFacades.h"
#include "catalogue/ResourceItemPersist.h"
#include "catalogue/ResourceType.h"
#include "catalogue/ResourceTypeList.h"
#include "catalogue/ZRunknown.h"
#include "platform/app/KitrosterApp.h"
