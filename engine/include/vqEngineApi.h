// Export macro of vqEngine.dll. The host build links the portable modules statically.
#pragma once
#if defined(_WIN32) && !defined(VQ_HOST_STATIC)
#ifdef VQENGINE_EXPORTS
#define VQENGINE_API __declspec(dllexport)
#else
#define VQENGINE_API __declspec(dllimport)
#endif
#else
#define VQENGINE_API
#endif
