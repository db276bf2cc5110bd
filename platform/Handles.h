// Owners for the C handles this project uses: every handle lives in a std::unique_ptr whose
// deleter is the library's own free function, so no path frees by hand or leaks.
#pragma once

#include <curl/curl.h>
#include <glib.h>
#include <openssl/bio.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <plist/plist.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace platform {

template <auto FreeFn>
struct FreeWith {
  template <typename T>
  void operator()(T* p) const {
    if (p) FreeFn(p);
  }
};

using CurlEasyPtr = std::unique_ptr<CURL, FreeWith<curl_easy_cleanup>>;
using CurlMultiPtr = std::unique_ptr<CURLM, FreeWith<curl_multi_cleanup>>;
using CurlListPtr = std::unique_ptr<curl_slist, FreeWith<curl_slist_free_all>>;
// libcrypto objects. Where ownership moves into the library (a set0 or a push) the call site
// says so and releases its owner.
using BioPtr = std::unique_ptr<BIO, FreeWith<BIO_free>>;
using Pkcs7Ptr = std::unique_ptr<PKCS7, FreeWith<PKCS7_free>>;
using X509Ptr = std::unique_ptr<X509, FreeWith<X509_free>>;
using X509CrlPtr = std::unique_ptr<X509_CRL, FreeWith<X509_CRL_free>>;
using X509StorePtr = std::unique_ptr<X509_STORE, FreeWith<X509_STORE_free>>;
using X509StoreCtxPtr = std::unique_ptr<X509_STORE_CTX, FreeWith<X509_STORE_CTX_free>>;
struct X509StackFree {
  void operator()(STACK_OF(X509) * stack) const { sk_X509_pop_free(stack, X509_free); }
};
using X509StackPtr = std::unique_ptr<STACK_OF(X509), X509StackFree>;
// A list whose certificates belong to someone else.
struct X509ListFree {
  void operator()(STACK_OF(X509) * stack) const { sk_X509_free(stack); }
};
using X509ListPtr = std::unique_ptr<STACK_OF(X509), X509ListFree>;
struct X509CrlStackFree {
  void operator()(STACK_OF(X509_CRL) * stack) const { sk_X509_CRL_pop_free(stack, X509_CRL_free); }
};
using X509CrlStackPtr = std::unique_ptr<STACK_OF(X509_CRL), X509CrlStackFree>;
using PlistPtr = std::unique_ptr<std::remove_pointer_t<plist_t>, FreeWith<plist_free>>;
using GCharPtr = std::unique_ptr<gchar, FreeWith<g_free>>;
using GMainLoopPtr = std::unique_ptr<GMainLoop, FreeWith<g_main_loop_unref>>;
using GSourcePtr = std::unique_ptr<GSource, FreeWith<g_source_unref>>;

// A GLib source attached to a context; destroying the owner removes the source from its loop.
class SourceId {
 public:
  SourceId() = default;
  SourceId(GMainContext* context, guint id) : context_(context), id_(id) {}
  SourceId(const SourceId&) = delete;
  SourceId& operator=(const SourceId&) = delete;
  SourceId(SourceId&& other) noexcept
      : context_(other.context_), id_(std::exchange(other.id_, 0u)) {}
  SourceId& operator=(SourceId&& other) noexcept {
    if (this != &other) {
      reset();
      context_ = other.context_;
      id_ = std::exchange(other.id_, 0u);
    }
    return *this;
  }
  ~SourceId() { reset(); }

  explicit operator bool() const { return id_ != 0; }
  guint get() const { return id_; }

  // For a callback that is about to return G_SOURCE_REMOVE: GLib drops the source itself.
  void release() { id_ = 0; }

  void reset() {
    if (id_ == 0) return;
    if (GSource* source = g_main_context_find_source_by_id(context_, id_)) {
      g_source_destroy(source);
    }
    id_ = 0;
  }

 private:
  GMainContext* context_ = nullptr;
  guint id_ = 0;
};

}  // namespace platform
