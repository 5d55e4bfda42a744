// All of the public interface of the today library.
#pragma once

#include "today/export.hpp"
#include "today/manager/TodayManager.hpp"
#include "today/outside/BookmarkOptions.hpp"
#include "today/outside/Bytes.hpp"
#include "today/outside/Date.hpp"
#include "today/outside/GroupContainer.hpp"
#include "today/outside/Host.hpp"
#include "today/outside/PlanDocument.hpp"
#include "today/outside/Url.hpp"
#include "today/records/TaskToday.hpp"
#include "today/records/TodayProjectProfile.hpp"
#include "today/version.hpp"
#include "today/widget/WidgetHelper.hpp"
