// Export macro of vqTools.dll. The host build links the portable modules statically.
#pragma once
#if defined(_WIN32) && !defined(VQ_HOST_STATIC)
#ifdef VQTOOLS_EXPORTS
#define VQTOOLS_API __declspec(dllexport)
#else
#define VQTOOLS_API __declspec(dllimport)
#endif
#else
#define VQTOOLS_API
#endif
