// Export macro of vqSMgr.dll.
#pragma once
#ifdef VQSMGR_EXPORTS
#define VQSMGR_API __declspec(dllexport)
#else
#define VQSMGR_API __declspec(dllimport)
#endif
