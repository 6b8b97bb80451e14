#pragma once

// The XML document classes.
#include "framework/OMXMLAttribute.h"
#include "framework/OMXMLCursor.h"
#include "framework/OMXMLDocument.h"
#include "framework/OMXMLElement.h"
#include "framework/OMXMLString.h"
