#include "framework/OMFileServices.h"

#include "framework/OMBackgroundJob.h"
#include "framework/OMCachedFile.h"
#include "framework/OMIStreamDLL16InfoCache.h"
#include "framework/OMNEFile.h"
#include "framework/OMPathDirectory.h"
#include "framework/OMQueriedFile.h"
#include "framework/OMResFile.h"
#include "framework/OMResModule.h"

void terminateFileServices()
{
  closeAllResFiles();
  OMIStreamDLL16InfoCache::clear();
  OMNEFile::current().giveUp();
  OMQueriedFile::record().clear();
  cancelAllBackgroundJobs();
  uncacheAllFiles();
  clearSearchPaths();
  OMResModule::releaseDefaultModule();
}
