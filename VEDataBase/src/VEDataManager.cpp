#include "VEDataManager.h"

#include <exception>
#include <new>
#include <stdexcept>

#include "clsRC4.h"
#include "platform/VbError.h"

namespace vedb {

VEDataManager::VEDataManager() : cipher_(new clsRC4()) { FillErrMessages(); }

VEDataManager::~VEDataManager() {
    if (cipher_) cipher_->Release();
    errMsgs_.clear();
}

VEDataManager::Caught VEDataManager::CurrentError() {
    try {
        throw;
    } catch (const vb::VbError& e) {
        return {e.Number(), e.Description()};
    } catch (const std::bad_alloc&) {
        return {vb::errOutOfMemory, vb::StandardDescription(vb::errOutOfMemory)};
    } catch (const std::length_error&) {
        return {vb::errOutOfMemory, vb::StandardDescription(vb::errOutOfMemory)};
    } catch (const std::out_of_range&) {
        return {vb::errSubscript, vb::StandardDescription(vb::errSubscript)};
    } catch (...) {
        return {vb::errInvalidCall, vb::StandardDescription(vb::errInvalidCall)};
    }
}

std::string VEDataManager::EncryptText(const std::string& TxtForEncr, const std::string& Key) {
    return cipher_->EncryptString(TxtForEncr, Key);
}

std::string VEDataManager::DecryptText(const std::string& TxtForDecr, const std::string& Key) {
    std::string text = TxtForDecr;
    return cipher_->DecryptString(text, Key);
}

std::string VEDataManager::EncryptBytesText(ByteArray& TxtForEncr, const std::string& Key) {
    return std::to_string(cipher_->EncryptBytesString(TxtForEncr, Key));
}

std::string VEDataManager::DecryptBytesText(ByteArray& TxtForDecr, const std::string& Key) {
    return cipher_->DecryptBytesString(TxtForDecr, Key);
}

void VEDataManager::PaswKey(const std::string& NewVal) {
    paswKey_ = NewVal;
    cipher_->Key(NewVal);
}

}  // namespace vedb
